// File: tests/util/scratch_files_test.cpp
// Scratch names carry the program's mark and process id; only the files of
// processes that are gone are removed, nothing that is not ours.
#include "util/scratch_files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/fake_world.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;

TEST(ScratchFiles, NamesCarryTheMarkAndTheProcess) {
    std::string a = util::ScratchName(), b = util::ScratchName();
    EXPECT_EQ(a.rfind("qmx-" + std::to_string(::getpid()) + "-", 0), 0u) << a;
    EXPECT_EQ(a.substr(a.size() - 4), ".tmp");
    EXPECT_NE(a, b);
}

TEST(ScratchFiles, OnlyTheFilesOfGoneProcessesAreRemoved) {
    TempFolder dir;
    const std::string me = std::to_string(::getpid());
    const std::vector<std::string> gone = {"qmx-999999999-ABCDE.tmp.pptx", "~qmx-999999999-12345.tmp.pptx",
                                           "~qmx-999999999-12345.tmp.pptx.Xy12Zq"};
    const std::vector<std::string> kept = {"qmx-" + me + "-ABCDE.tmp.pptx", "qmx-1-ABCDE.tmp", // init never goes
                                           "deck.pptx", "xqmx-999999999-A.tmp", "qmx-abc-A.tmp", "~deck.pptx"};
    for (auto& n : gone) std::ofstream(dir.path() / n) << "x";
    for (auto& n : kept) std::ofstream(dir.path() / n) << "x";
    fs::create_directory(dir.path() / "qmx-999999999-folder");
    EXPECT_EQ(util::RemoveStaleScratch(dir.path().string()), 3);
    for (auto& n : gone) EXPECT_FALSE(fs::exists(dir.path() / n)) << n;
    for (auto& n : kept) EXPECT_TRUE(fs::exists(dir.path() / n)) << n;
    EXPECT_TRUE(fs::exists(dir.path() / "qmx-999999999-folder"));
    EXPECT_EQ(util::RemoveStaleScratch((dir.path() / "missing").string()), 0);
}

} // namespace
} // namespace quillmax::test
