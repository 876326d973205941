// File: platform/win32/file_time_api.cpp
// The file-time calls over the real Win32 functions; creation times are set
// too. The file is opened by its UTF-16 name (CreateFileW with the same
// arguments), so a name the system code page cannot spell still gets its
// dates.
#include "base/file_time_api.h"

#include <windows.h>

#include "platform/win32/code_page.h"

namespace quillmax::util {
namespace {

FILETIME ToWin(const FileTime& ft) { return {ft.dwLowDateTime, ft.dwHighDateTime}; }
FileTime FromWin(const FILETIME& ft) { return {ft.dwLowDateTime, ft.dwHighDateTime}; }

SYSTEMTIME ToWin(const SystemTime& st) {
    return {st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond,
            st.wMilliseconds};
}

HANDLE ToHandle(FileHandle h) { return reinterpret_cast<HANDLE>(h); }

} // namespace

FileHandle CreateFileA(const std::string& path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                       std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) {
    HANDLE h = ::CreateFileW(win32::Utf8ToWide(path).c_str(), desiredAccess, shareMode, nullptr,
                             creationDisposition, flagsAndAttributes, nullptr);
    return h == INVALID_HANDLE_VALUE ? kInvalidFileHandle : reinterpret_cast<FileHandle>(h);
}

bool SetFileTime(FileHandle file, const FileTime* creation, const FileTime* lastAccess,
                 const FileTime* lastWrite) {
    // A zero FILETIME leaves that time alone, as a null pointer does.
    FILETIME c{}, a{}, w{};
    const bool setC = creation && !creation->IsZero();
    const bool setA = lastAccess && !lastAccess->IsZero();
    const bool setW = lastWrite && !lastWrite->IsZero();
    if (setC) c = ToWin(*creation);
    if (setA) a = ToWin(*lastAccess);
    if (setW) w = ToWin(*lastWrite);
    return ::SetFileTime(ToHandle(file), setC ? &c : nullptr, setA ? &a : nullptr,
                         setW ? &w : nullptr) != 0;
}

bool CloseHandle(FileHandle file) { return ::CloseHandle(ToHandle(file)) != 0; }

bool SystemTimeToFileTime(const SystemTime& st, FileTime& ft) {
    const SYSTEMTIME s = ToWin(st);
    FILETIME f{};
    const bool ok = ::SystemTimeToFileTime(&s, &f) != 0;
    ft = FromWin(f);
    return ok;
}

// Windows applies the current offset both ways; isDst has nothing to settle.
bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc, int) {
    const FILETIME l = ToWin(local);
    FILETIME u{};
    const bool ok = ::LocalFileTimeToFileTime(&l, &u) != 0;
    utc = FromWin(u);
    return ok;
}

bool FileTimeToLocalFileTime(const FileTime& utc, FileTime& local, int* isDst) {
    const FILETIME u = ToWin(utc);
    FILETIME l{};
    const bool ok = ::FileTimeToLocalFileTime(&u, &l) != 0;
    local = FromWin(l);
    if (isDst) *isDst = -1;
    return ok;
}

bool FileTimeToSystemTime(const FileTime& ft, SystemTime& st) {
    const FILETIME f = ToWin(ft);
    SYSTEMTIME s{};
    const bool ok = ::FileTimeToSystemTime(&f, &s) != 0;
    st = {s.wYear, s.wMonth, s.wDayOfWeek, s.wDay, s.wHour, s.wMinute, s.wSecond, s.wMilliseconds};
    return ok;
}

bool GetFileTimesByName(const std::string& path, FileTimes& times) {
    // Reads the attributes without opening the file, so the access time stays.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(win32::Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    times.creation = FromWin(data.ftCreationTime);
    times.lastAccess = FromWin(data.ftLastAccessTime);
    times.lastWrite = FromWin(data.ftLastWriteTime);
    return true;
}

} // namespace quillmax::util
