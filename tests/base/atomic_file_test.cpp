// File: tests/util/atomic_file_test.cpp
// Whole-file replacement: content and permissions of the result, and a
// failed write that leaves neither a changed target nor a stray temporary.
#include "base/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "support/fake_world.h"
#include "support/temp_folder.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;

size_t Entries(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(AtomicFile, ReplacesContentAndKeepsPermissions) {
    TempFolder dir;
    const std::string path = dir.file("a.ini");
    ASSERT_FALSE(util::WriteFileAtomically(path, std::string("one\0two", 7)));
    EXPECT_EQ(ReadAll(path), std::string("one\0two", 7));

    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_FALSE(util::WriteFileAtomically(path, ""));
    EXPECT_EQ(ReadAll(path), "");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir.path()), 1u); // no temporary left beside it
}

TEST(AtomicFile, FailureLeavesTargetAndFolderAlone) {
    TempFolder dir;
    EXPECT_TRUE(util::WriteFileAtomically(dir.file("missing/a.ini"), "x"));

    // A folder in the target's place: the rename fails, the temporary goes.
    fs::create_directory(dir.path() / "busy");
    fs::create_directory(dir.path() / "busy" / "inner");
    EXPECT_TRUE(util::WriteFileAtomically(dir.file("busy"), "x"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "busy"));
    EXPECT_EQ(Entries(dir.path()), 1u); // "busy" alone: no temporary left
}

TEST(RenameNoReplace, PutsAFileInPlaceOnlyWhenTheNameIsFree) {
    TempFolder dir;
    const std::string from = (dir.path() / "a.tmp").string(), to = (dir.path() / "out.pptx").string();
    std::ofstream(from) << "mine";
    EXPECT_FALSE(util::RenameNoReplace(from, to));
    EXPECT_EQ(ReadAll(to), "mine");
    EXPECT_FALSE(fs::exists(from));

    // Another writer got there first: its file stays, ours is not moved.
    std::ofstream(from) << "second";
    EXPECT_EQ(util::RenameNoReplace(from, to), std::errc::file_exists);
    EXPECT_EQ(ReadAll(to), "mine");
    EXPECT_EQ(ReadAll(from), "second");
    EXPECT_EQ(util::RenameNoReplace(from, (dir.path() / "no-such-folder/x").string()), std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace quillmax::test
