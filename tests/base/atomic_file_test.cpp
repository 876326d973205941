// File: tests/util/atomic_file_test.cpp
// Whole-file replacement: content and permissions of the result, and a
// failed write that leaves neither a changed target nor a stray temporary.
#include "base/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include "support/fake_world.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buf;
    buf << in.rdbuf();
    return buf.str();
}

size_t Entries(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(AtomicFile, ReplacesContentAndKeepsPermissions) {
    TempFolder dir;
    const std::string path = dir.file("a.ini");
    ASSERT_FALSE(util::WriteFileAtomically(path, std::string("one\0two", 7)));
    EXPECT_EQ(Read(path), std::string("one\0two", 7));

    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_FALSE(util::WriteFileAtomically(path, ""));
    EXPECT_EQ(Read(path), "");
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
    EXPECT_EQ(Read(to), "mine");
    EXPECT_FALSE(fs::exists(from));

    // Another writer got there first: its file stays, ours is not moved.
    std::ofstream(from) << "second";
    EXPECT_EQ(util::RenameNoReplace(from, to), std::errc::file_exists);
    EXPECT_EQ(Read(to), "mine");
    EXPECT_EQ(Read(from), "second");
    EXPECT_EQ(util::RenameNoReplace(from, (dir.path() / "no-such-folder/x").string()), std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace quillmax::test
