// File: base/regular_file.h
// Reading a file only when it is a regular file: a pipe, a device or a
// socket under a file's name would block a reader forever or never end.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace quillmax::util {

// Whether path names a regular file (symbolic links followed).
bool IsRegularFile(const std::string& path);

// The whole file into out. The file is opened without waiting (a FIFO's
// writer is not awaited) and read only when it is regular and at most
// maxBytes long. Errors: the system's (ENOENT, EACCES, ...), EINVAL for a
// file that is not regular, EFBIG for one that is too large.
std::error_code ReadRegularFile(const std::string& path, std::string& out,
                                std::uint64_t maxBytes = UINT64_MAX);

} // namespace quillmax::util
