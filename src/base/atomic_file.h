// File: base/atomic_file.h
// Replacing a whole file so that a reader sees either the old content or the
// new one, never a half-written file: a temporary file beside the target,
// flushed to disk, then renamed over it.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace quillmax::util {

// Writes bytes to path through a temporary file in the same folder. The new
// file keeps the old one's permissions (a new file gets the usual ones).
// Returns the error of the first step that failed (empty on success); on
// failure the target is untouched and no temporary file is left behind.
std::error_code WriteFileAtomically(const std::string& path, std::string_view bytes);

// Puts the file `from` in place as `to` only when no file of that name
// exists at that moment (EEXIST otherwise): a file that appeared since the
// caller decided on the name is never replaced. Both lie on one file system.
std::error_code RenameNoReplace(const std::string& from, const std::string& to);

} // namespace quillmax::util
