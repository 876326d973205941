// File: tests/base/regular_file_test.cpp
// Whole-file reads: every byte in place at any size (the large read goes
// straight into the string), what was in the string before replaced, and
// what is not a regular file or too large refused.
#include "base/regular_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "support/temp_folder.h"

namespace quillmax::test {
namespace {

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    unsigned x = 12345;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

TEST(RegularFile, ReadsEveryByteAtEverySizeAndReplacesWhatTheStringHeld) {
    TempFolder dir;
    // Empty, small, and large enough for the huge-page path (not a multiple of any page size).
    for (size_t n : {size_t{0}, size_t{1}, size_t{70000}, size_t{9 * 1024 * 1024 + 123}}) {
        const std::string bytes = Pattern(n), path = dir / ("f" + std::to_string(n));
        WriteAll(path, bytes);
        std::string out(n + 5000, 'x'); // longer than the file: nothing of it may remain
        ASSERT_FALSE(util::ReadRegularFile(path, out)) << n;
        EXPECT_EQ(out.size(), n);
        EXPECT_TRUE(out == bytes) << n;
    }
}

TEST(RegularFile, RefusesWhatIsNotARegularFileOrTooLarge) {
    TempFolder dir;
    std::string out;
    EXPECT_EQ(util::ReadRegularFile(dir / "missing", out), std::errc::no_such_file_or_directory);
    EXPECT_EQ(util::ReadRegularFile(dir.path().string(), out), std::errc::invalid_argument);
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(util::ReadRegularFile(fifo, out), std::errc::invalid_argument); // returns, does not wait
    const std::string big = dir.touch("big", 5000);
    EXPECT_EQ(util::ReadRegularFile(big, out, 4999), std::errc::file_too_large);
    EXPECT_FALSE(util::ReadRegularFile(big, out, 5000));
    EXPECT_EQ(out.size(), 5000u);
}

} // namespace
} // namespace quillmax::test
