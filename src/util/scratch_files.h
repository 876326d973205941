// File: util/scratch_files.h
// Scratch and temporary files carry the program's mark and the process id
// ("qmx-<pid>-XXXXX.tmp", beside an output "~qmx-<pid>-XXXXX.tmp.pptx" and
// the zip writer's "….XXXXXX"), so that a later run can tell its own stale
// files from anyone else's and remove those no living process holds.
#pragma once

#include <string>

namespace quillmax::util {

// "qmx-<pid>-XXXXX.tmp" (no folder), unique within the process.
std::string ScratchName();

// Removes the regular files in folder whose names carry the mark of a
// process that no longer runs. Returns how many were removed; never throws.
int RemoveStaleScratch(const std::string& folder);

// Removes one temporary file of ours ("" is none); a file already gone, or
// one that cannot go, is not an error: the next run's sweep finds it.
void RemoveScratch(const std::string& path);

} // namespace quillmax::util
