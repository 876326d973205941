// File: tests/util/file_times_test.cpp
// Copying file dates: whole seconds, a missing source, a destination that
// cannot be opened, and dates on the other side of a clock change.
#include "util/file_times.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "support/fake_world.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;

void SetTimes(const std::string& path, std::int64_t write, long writeNs, std::int64_t access, long accessNs) {
    const util::FileTime w = util::UnixToFileTime(write, writeNs);
    const util::FileTime a = util::UnixToFileTime(access, accessNs);
    util::FileHandle h = util::OpenForTimeUpdate(path);
    ASSERT_GE(h, 0);
    util::SetFileTime(h, nullptr, &a, &w);
    util::CloseHandle(h);
}

struct Unix {
    std::int64_t sec = 0;
    long nsec = 0;
};

Unix WriteTime(const std::string& path) {
    util::FileTimes t;
    EXPECT_TRUE(util::GetFileTimesByName(path, t));
    Unix u;
    util::FileTimeToUnix(t.lastWrite, u.sec, u.nsec);
    return u;
}

Unix AccessTime(const std::string& path) {
    util::FileTimes t;
    EXPECT_TRUE(util::GetFileTimesByName(path, t));
    Unix u;
    util::FileTimeToUnix(t.lastAccess, u.sec, u.nsec);
    return u;
}

TEST(FileTimeApi, FileTimeEpochs) {
    util::FileTime ft;
    ASSERT_TRUE(util::SystemTimeToFileTime({1601, 1, 0, 1, 0, 0, 0, 0}, ft));
    EXPECT_EQ(ft.Ticks(), 0u);
    ASSERT_TRUE(util::SystemTimeToFileTime({1970, 1, 0, 1, 0, 0, 0, 0}, ft));
    EXPECT_EQ(ft.Ticks(), 116444736000000000u);
    util::SystemTime st;
    util::FileTimeToSystemTime(util::UnixToFileTime(951782400, 0), st); // 2000-02-29
    EXPECT_EQ(st.wYear, 2000);
    EXPECT_EQ(st.wMonth, 2);
    EXPECT_EQ(st.wDay, 29);
    EXPECT_EQ(st.wDayOfWeek, 2); // a Tuesday
    EXPECT_FALSE(util::SystemTimeToFileTime({2000, 13, 0, 1, 0, 0, 0, 0}, ft));
}

TEST(CopyFileTimes, CarriesWriteAndAccessTimesInWholeSeconds) {
    TempFolder dir;
    const std::string src = dir.touch("in.pptx");
    const std::string dst = dir.touch("out.pptx");
    SetTimes(src, 1600000000, 987654300, 1600000100, 123456789);
    util::CopyFileTimes(src, dst);
    EXPECT_EQ(WriteTime(dst).sec, 1600000000);
    EXPECT_EQ(WriteTime(dst).nsec, 0);
    EXPECT_EQ(AccessTime(dst).sec, 1600000100);
    EXPECT_EQ(AccessTime(dst).nsec, 0);
    EXPECT_EQ(WriteTime(src).nsec, 987654300); // the source is only read
}

TEST(CopyFileTimes, MissingSourceOrUnopenableDestinationChangesNothing) {
    TempFolder dir;
    const std::string dst = dir.touch("out.pptx");
    SetTimes(dst, 1400000000, 0, 1400000000, 0);
    util::CopyFileTimes(dir.file("no-such.pptx"), dst);
    EXPECT_EQ(WriteTime(dst).sec, 1400000000);

    const std::string src = dir.touch("in.pptx");
    EXPECT_NO_THROW(util::CopyFileTimes(src, dir.file("missing.pptx")));
    EXPECT_FALSE(fs::exists(dir.file("missing.pptx")));

    fs::create_directory(dir.file("folder"));
    const auto before = fs::last_write_time(dir.file("folder"));
    EXPECT_NO_THROW(util::CopyFileTimes(src, dir.file("folder")));
    EXPECT_EQ(fs::last_write_time(dir.file("folder")), before);
    EXPECT_EQ(util::OpenForTimeUpdate(dir.file("folder")), util::kInvalidFileHandle);
}

// Dates read in local time come back as the same instant, also for a
// summer date copied in winter and for the hour that occurs twice.
TEST(CopyFileTimes, DatesAcrossAClockChangeKeepTheirInstant) {
    if (!fs::exists("/usr/share/zoneinfo/Europe/Berlin")) GTEST_SKIP() << "no time zone data";
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();

    TempFolder dir;
    const std::string src = dir.touch("in.pptx");
    const std::string dst = dir.touch("out.pptx");
    // 2021-07-01 12:00 UTC; 02:30 CEST and 02:30 CET on 2021-10-31; 2021-12-24
    for (std::int64_t t : {1625140800LL, 1635640200LL, 1635643800LL, 1640347200LL}) {
        SetTimes(src, t, 500000000, t, 0);
        util::CopyFileTimes(src, dst);
        EXPECT_EQ(WriteTime(dst).sec, t);
        EXPECT_EQ(AccessTime(dst).sec, t);
    }

    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

} // namespace
} // namespace quillmax::test
