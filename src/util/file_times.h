// File: util/file_times.h
// Carrying one file's creation, last-write and last-access times over to
// another (the "keep file dates" option): a compressed presentation gets its
// input's times, a re-encoded movie its source movie's.
#pragma once

#include <optional>
#include <string>

#include "base/file_time_api.h"

namespace quillmax::util {

// A date value in local time, as the file system object reports it.
struct DateValue {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    int millisecond = 0;
    int dayOfWeek = 0; // 1 Sunday .. 7 Saturday
    int isDst = -1;    // known when read from a file; settles the doubled hour
};

struct FileDates {
    DateValue created;
    DateValue lastModified;
    DateValue lastAccessed;
};

// Creation, last modification and last access of the file, in local time;
// nullopt when there is no such file.
std::optional<FileDates> ReadFileDates(const std::string& path);
// Whole seconds: milliseconds are 0 in the result.
FileTime DateToUtcFileTime(const DateValue& date);
// Read and write access, read sharing; kInvalidFileHandle when it fails.
FileHandle OpenForTimeUpdate(const std::string& path);

// Each opens and closes the destination once; an unopenable destination is
// skipped silently. Linux keeps a file's birth time: SetCreationTime opens
// and closes the file and changes nothing there.
void SetCreationTime(const std::string& path, const DateValue& date);
void SetLastWriteTime(const std::string& path, const DateValue& date);
void SetLastAccessTime(const std::string& path, const DateValue& date);

// Creation, then last write, then last access. A source that does not exist
// leaves the destination untouched.
void CopyFileTimes(const std::string& sourcePath, const std::string& destinationPath);

} // namespace quillmax::util
