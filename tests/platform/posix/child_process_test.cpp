// File: tests/platform/posix/child_process_test.cpp
#include "platform/posix/child_process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace quillmax::util {
namespace {

using End = ChildOutcome::End;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

TEST(ChildProcess, HandsOverLinesAndTheExitStatus) {
    std::vector<std::string> lines;
    ChildOptions o;
    o.onLine = [&](const std::string& l) { lines.push_back(l); };
    // The last line has no end; a CR before LF is dropped.
    auto r = RunChild({"sh", "-c", "printf 'a=1\\r\\nb=2\\nlast'; echo oops >&2; exit 3"}, o);
    EXPECT_EQ(r.end, End::Exited);
    EXPECT_EQ(r.code, 3);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_EQ(lines, (std::vector<std::string>{"a=1", "b=2", "last"}));
    EXPECT_EQ(r.errorTail, "oops\n");
    EXPECT_TRUE(RunChild({"true"}, {}).Succeeded());
}

TEST(ChildProcess, TimeLimitAndStopKillTheWholeGroupAtOnce) {
    ChildOptions limited;
    limited.timeLimitSeconds = 0.5;
    auto t = Clock::now();
    // The grandchild keeps the pipes open: only killing the group ends it.
    auto r = RunChild({"sh", "-c", "sleep 30 & sleep 30"}, limited);
    EXPECT_EQ(r.end, End::TimedOut);
    EXPECT_LT(Since(t), 1.5);

    ChildOptions stopped;
    const auto start = Clock::now();
    stopped.shouldStop = [&] { return Since(start) > 0.3; };
    t = Clock::now();
    r = RunChild({"sh", "-c", "sleep 30 & sleep 30"}, stopped);
    EXPECT_EQ(r.end, End::Stopped);
    EXPECT_LT(Since(t), 1.0);

    // Asked to stop before it starts: nothing runs.
    ChildOptions already;
    already.shouldStop = [] { return true; };
    EXPECT_EQ(RunChild({"sh", "-c", "exit 0"}, already).end, End::Stopped);
}

TEST(ChildProcess, CrashesAndMissingProgramsAreReported) {
    auto r = RunChild({"sh", "-c", "kill -SEGV $$"}, {});
    EXPECT_EQ(r.end, End::Signalled);
    EXPECT_EQ(r.code, SIGSEGV);
    r = RunChild({"quillmax-no-such-program"}, {});
    EXPECT_EQ(r.end, End::NotStarted);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_EQ(RunChild({}, {}).end, End::NotStarted);
}

TEST(ChildProcess, PrivateTempFolderIsOwnAndGoesWithItsContents) {
    std::string path;
    {
        PrivateTempFolder temp("quillmax-test-");
        path = temp.path();
        ASSERT_FALSE(path.empty());
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        std::filesystem::create_directory(path + "/in");
        std::ofstream(path + "/in/movie.mp4") << "bytes";
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
} // namespace quillmax::util
