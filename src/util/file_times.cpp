// File: util/file_times.cpp
// CopyFileTimes and its helpers over the Win32-shaped file-time calls.
#include "util/file_times.h"

namespace quillmax::util {
namespace {

DateValue ToDate(const FileTime& utc) {
    FileTime local;
    int isDst = -1;
    FileTimeToLocalFileTime(utc, local, &isDst);
    SystemTime st;
    FileTimeToSystemTime(local, st);
    DateValue d;
    d.year = st.wYear;
    d.month = st.wMonth;
    d.day = st.wDay;
    d.hour = st.wHour;
    d.minute = st.wMinute;
    d.second = st.wSecond;
    d.millisecond = st.wMilliseconds;
    d.dayOfWeek = st.wDayOfWeek + 1;
    d.isDst = isDst;
    return d;
}

enum class Which { Creation, LastAccess, LastWrite };

void SetOneTime(const std::string& path, const DateValue& date, Which which) {
    const FileTime ft = DateToUtcFileTime(date);
    FileHandle h = OpenForTimeUpdate(path);
    if (h < 0) return;
    const FileTime none; // both halves 0: leave that time as it is
    SetFileTime(h, which == Which::Creation ? &ft : &none, which == Which::LastAccess ? &ft : &none,
                which == Which::LastWrite ? &ft : &none);
    CloseHandle(h);
}

} // namespace

std::optional<FileDates> ReadFileDates(const std::string& path) {
    FileTimes t;
    if (!GetFileTimesByName(path, t)) return std::nullopt;
    return FileDates{ToDate(t.creation), ToDate(t.lastWrite), ToDate(t.lastAccess)};
}

FileTime DateToUtcFileTime(const DateValue& date) {
    SystemTime st;
    st.wYear = static_cast<std::uint16_t>(date.year);
    st.wMonth = static_cast<std::uint16_t>(date.month);
    st.wDayOfWeek = static_cast<std::uint16_t>(date.dayOfWeek);
    st.wDay = static_cast<std::uint16_t>(date.day);
    st.wHour = static_cast<std::uint16_t>(date.hour);
    st.wMinute = static_cast<std::uint16_t>(date.minute);
    st.wSecond = static_cast<std::uint16_t>(date.second);
    st.wMilliseconds = 0;
    FileTime local, utc;
    SystemTimeToFileTime(st, local);
    LocalFileTimeToFileTime(local, utc, date.isDst);
    return utc;
}

FileHandle OpenForTimeUpdate(const std::string& path) {
    return CreateFileA(path, kGenericRead | kGenericWrite, kFileShareRead, kOpenExisting,
                       kFileAttributeNormal);
}

void SetCreationTime(const std::string& path, const DateValue& date) {
    SetOneTime(path, date, Which::Creation);
}

void SetLastWriteTime(const std::string& path, const DateValue& date) {
    SetOneTime(path, date, Which::LastWrite);
}

void SetLastAccessTime(const std::string& path, const DateValue& date) {
    SetOneTime(path, date, Which::LastAccess);
}

void CopyFileTimes(const std::string& sourcePath, const std::string& destinationPath) {
    std::optional<FileDates> dates = ReadFileDates(sourcePath);
    if (!dates) return;
    SetCreationTime(destinationPath, dates->created);
    SetLastWriteTime(destinationPath, dates->lastModified);
    SetLastAccessTime(destinationPath, dates->lastAccessed);
}

} // namespace quillmax::util
