// File: base/file_time_api.h
// The file-time calls of Win32 (CreateFile for a time update, SetFileTime,
// SystemTimeToFileTime, LocalFileTimeToFileTime, CloseHandle) in their own
// shape. Each platform library defines them: platform/win32 over the real
// calls, platform/posix over utimensat/futimens. FILETIME values are UTC,
// 100-nanosecond units since 1601-01-01. Paths are UTF-8.
//
// Linux cannot set a file's creation (birth) time: there SetFileTime accepts
// a creation value and leaves the birth time as it is.
#pragma once

#include <cstdint>
#include <string>

namespace quillmax::util {

struct FileTime {
    std::uint32_t dwLowDateTime = 0;
    std::uint32_t dwHighDateTime = 0;
    bool IsZero() const { return dwLowDateTime == 0 && dwHighDateTime == 0; }
    std::uint64_t Ticks() const {
        return (static_cast<std::uint64_t>(dwHighDateTime) << 32) | dwLowDateTime;
    }
    static FileTime FromTicks(std::uint64_t ticks) {
        return {static_cast<std::uint32_t>(ticks & 0xffffffffu), static_cast<std::uint32_t>(ticks >> 32)};
    }
};

struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0; // not used by the conversion
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFileHandle = -1;

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 0x00000001u;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80u;

// CreateFileA for an existing file. Read and write access opens the file
// for reading and writing (a read-only or missing file fails); sharing and
// attributes have no POSIX meaning and are accepted as given there.
FileHandle CreateFileA(const std::string& path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                       std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes);
// A null pointer or a FILETIME whose two halves are 0 leaves that time
// unchanged. The creation time cannot be changed here (see above).
bool SetFileTime(FileHandle file, const FileTime* creation, const FileTime* lastAccess,
                 const FileTime* lastWrite);
bool CloseHandle(FileHandle file);

// Calendar fields to a FILETIME in the same time scale (no zone applied).
bool SystemTimeToFileTime(const SystemTime& st, FileTime& ft);
// Local FILETIME to UTC. isDst: -1 lets the zone rules decide; 0 or 1
// settles an hour that occurs twice when the clocks go back.
bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc, int isDst = -1);
// The reverse, with the zone rules of that moment; isDst receives the flag.
bool FileTimeToLocalFileTime(const FileTime& utc, FileTime& local, int* isDst = nullptr);
bool FileTimeToSystemTime(const FileTime& ft, SystemTime& st);

// The three times of a file, UTC. Creation is the birth time where the
// file system records one, else the last modification. False when the
// file does not exist.
struct FileTimes {
    FileTime creation;
    FileTime lastAccess;
    FileTime lastWrite;
};
bool GetFileTimesByName(const std::string& path, FileTimes& times);

// Unix seconds and nanoseconds <-> FILETIME (plain arithmetic, the same on
// every platform).
inline constexpr std::int64_t kFileTimeTicksPerSecond = 10000000;
inline constexpr std::int64_t kUnixEpochSeconds = 11644473600LL; // 1601-01-01 .. 1970-01-01

inline FileTime UnixToFileTime(std::int64_t seconds, long nanoseconds) {
    std::int64_t ticks = (seconds + kUnixEpochSeconds) * kFileTimeTicksPerSecond + nanoseconds / 100;
    if (ticks < 0) ticks = 0;
    return FileTime::FromTicks(static_cast<std::uint64_t>(ticks));
}

inline void FileTimeToUnix(const FileTime& ft, std::int64_t& seconds, long& nanoseconds) {
    const auto ticks = static_cast<std::int64_t>(ft.Ticks());
    std::int64_t s = ticks / kFileTimeTicksPerSecond;
    if (ticks % kFileTimeTicksPerSecond < 0) --s; // floor
    seconds = s - kUnixEpochSeconds;
    nanoseconds = static_cast<long>((ticks - s * kFileTimeTicksPerSecond) * 100);
}

} // namespace quillmax::util
