// File: platform/posix/file_time_api.cpp
// The Win32-shaped file-time calls over POSIX.
#include "base/file_time_api.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace quillmax::util {
namespace {


// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

timespec ToTimespec(const FileTime* ft) {
    timespec ts{};
    if (!ft || ft->IsZero()) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    std::int64_t sec = 0;
    long nsec = 0;
    FileTimeToUnix(*ft, sec, nsec);
    ts.tv_sec = static_cast<time_t>(sec);
    ts.tv_nsec = nsec;
    return ts;
}

} // namespace

FileHandle CreateFileA(const std::string& path, std::uint32_t desiredAccess, std::uint32_t,
                       std::uint32_t creationDisposition, std::uint32_t) {
    if (creationDisposition != kOpenExisting) return kInvalidFileHandle;
    int flags = O_RDONLY;
    if ((desiredAccess & kGenericRead) && (desiredAccess & kGenericWrite))
        flags = O_RDWR;
    else if (desiredAccess & kGenericWrite)
        flags = O_WRONLY;
    int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return kInvalidFileHandle;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return kInvalidFileHandle;
    }
    return static_cast<FileHandle>(fd);
}

bool SetFileTime(FileHandle file, const FileTime* /*creation: no birth-time call on Linux*/,
                 const FileTime* lastAccess, const FileTime* lastWrite) {
    if (file < 0) return false;
    timespec times[2] = {ToTimespec(lastAccess), ToTimespec(lastWrite)};
    if (times[0].tv_nsec == UTIME_OMIT && times[1].tv_nsec == UTIME_OMIT) return true;
    return ::futimens(static_cast<int>(file), times) == 0;
}

bool CloseHandle(FileHandle file) {
    if (file < 0) return false;
    return ::close(static_cast<int>(file)) == 0;
}

bool SystemTimeToFileTime(const SystemTime& st, FileTime& ft) {
    if (st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 || st.wDay > 31 || st.wHour > 23 ||
        st.wMinute > 59 || st.wSecond > 59 || st.wMilliseconds > 999 || st.wYear < 1601)
        return false;
    std::int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay);
    std::int64_t secs = days * 86400 + st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
    ft = UnixToFileTime(secs, static_cast<long>(st.wMilliseconds) * 1000000L);
    return true;
}

bool FileTimeToSystemTime(const FileTime& ft, SystemTime& st) {
    std::int64_t secs = 0;
    long nsec = 0;
    FileTimeToUnix(ft, secs, nsec);
    std::int64_t days = FloorDiv(secs, 86400);
    std::int64_t rest = secs - days * 86400;
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    st.wYear = static_cast<std::uint16_t>(y);
    st.wMonth = static_cast<std::uint16_t>(m);
    st.wDay = static_cast<std::uint16_t>(d);
    st.wDayOfWeek = static_cast<std::uint16_t>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    st.wHour = static_cast<std::uint16_t>(rest / 3600);
    st.wMinute = static_cast<std::uint16_t>((rest / 60) % 60);
    st.wSecond = static_cast<std::uint16_t>(rest % 60);
    st.wMilliseconds = static_cast<std::uint16_t>(nsec / 1000000);
    return true;
}

// The offset is the one in force at that moment (mktime), not today's:
// a summer date read in winter must come back as the same instant.
bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc, int isDst) {
    SystemTime st;
    FileTimeToSystemTime(local, st);
    std::tm tm{};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_isdst = isDst;
    errno = 0;
    time_t t = std::mktime(&tm);
    if (t == static_cast<time_t>(-1) && errno != 0) return false;
    std::int64_t secs = 0;
    long nsec = 0;
    FileTimeToUnix(local, secs, nsec);
    utc = UnixToFileTime(static_cast<std::int64_t>(t), nsec);
    return true;
}

bool FileTimeToLocalFileTime(const FileTime& utc, FileTime& local, int* isDst) {
    std::int64_t secs = 0;
    long nsec = 0;
    FileTimeToUnix(utc, secs, nsec);
    time_t t = static_cast<time_t>(secs);
    std::tm tm{};
    if (!::localtime_r(&t, &tm)) return false;
    if (isDst) *isDst = tm.tm_isdst > 0 ? 1 : 0;
    SystemTime st;
    st.wYear = static_cast<std::uint16_t>(tm.tm_year + 1900);
    st.wMonth = static_cast<std::uint16_t>(tm.tm_mon + 1);
    st.wDay = static_cast<std::uint16_t>(tm.tm_mday);
    st.wHour = static_cast<std::uint16_t>(tm.tm_hour);
    st.wMinute = static_cast<std::uint16_t>(tm.tm_min);
    st.wSecond = static_cast<std::uint16_t>(tm.tm_sec);
    st.wMilliseconds = static_cast<std::uint16_t>(nsec / 1000000);
    if (!SystemTimeToFileTime(st, local)) return false;
    // keep the sub-millisecond part, so the pair is exact
    local = FileTime::FromTicks(local.Ticks() + static_cast<std::uint64_t>((nsec % 1000000) / 100));
    return true;
}

bool GetFileTimesByName(const std::string& path, FileTimes& times) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    times.lastAccess = UnixToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    times.lastWrite = UnixToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    times.creation = times.lastWrite;
#ifdef STATX_BTIME
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
        times.creation = UnixToFileTime(sx.stx_btime.tv_sec, static_cast<long>(sx.stx_btime.tv_nsec));
#endif
    return true;
}

} // namespace quillmax::util
