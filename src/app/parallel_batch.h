// File: app/parallel_batch.h
// Several presentations of a batch compressed at once, each in its own
// object model on its own thread, with the log written as a sequential run
// writes it: each file's lines together, files in input order.
#pragma once

#include <string>
#include <vector>

#include "app/session.h"

namespace quillmax::app {

// Whether the batch may run its files at once: more than one job and one
// file, an object model per file, and no two files that could be named
// alike on output (those run one after another, as the naming needs).
bool RunsInParallel(Session& s, const std::vector<std::string>& entries);

// The file loop of a batch, s.jobs files at once; the result flag as the
// sequential loop leaves it (false after a stop). A stop (s.stopRequested
// through the view's yield) lets running files end their slide and write
// nothing half; files not yet begun are not touched.
bool RunFilesInParallel(Session& s, const std::vector<std::string>& entries);

} // namespace quillmax::app
