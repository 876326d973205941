// File: tests/platform/posix/profile_store_test.cpp
// The profile-string stand-in: lookups without regard to case, trimming,
// keeping the rest of the file, buffer limits, damaged files, ole.ini's place.
#include "platform/posix/profile_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace quillmax::util {
namespace {

using test::ReadAll;
using test::TempFolder;
using test::WriteAll;
using namespace std::string_literals;

std::string Get(ProfileStore& p, const std::string& section, const std::string& key,
                const std::string& file, const std::string& def = "", long* count = nullptr,
                std::uint32_t size = 256) {
    std::vector<char> buf(size + 1, 'X');
    long n = p.GetPrivateProfileStringA(section, key, def, buf.data(), size, file);
    if (count) *count = n;
    return std::string(buf.data());
}

TEST(ProfileStore, MissingFileGivesTheDefault) {
    TempFolder dir;
    ProfileStore p;
    long n = -1;
    EXPECT_EQ(Get(p, "name", "0", dir / "ole.ini", "fallback  ", &n), "fallback");
    EXPECT_EQ(n, 8);
    EXPECT_EQ(Get(p, "name", "0", dir / "ole.ini", "", &n), "");
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "ole.ini"));
}

TEST(ProfileStore, FirstWriteCreatesTheFileAndLaterWritesReplaceInPlace) {
    TempFolder dir;
    ProfileStore p;
    const std::string file = dir / "ole.ini";
    EXPECT_TRUE(p.WritePrivateProfileStringA("name", "0", "excel", file));
    EXPECT_TRUE(p.WritePrivateProfileStringA("value", "0", "変換する", file));
    EXPECT_TRUE(p.WritePrivateProfileStringA("name", "1", "word", file));
    EXPECT_EQ(ReadAll(file), "[name]\r\n0=excel\r\n1=word\r\n[value]\r\n0=変換する\r\n");
    EXPECT_TRUE(p.WritePrivateProfileStringA("NAME", "0", "Excel2", file));
    EXPECT_EQ(Get(p, "Name", "0", file), "Excel2");
    EXPECT_EQ(Get(p, "value", "0", file), "変換する");
    EXPECT_EQ(ReadAll(file), "[name]\r\n0=Excel2\r\n1=word\r\n[value]\r\n0=変換する\r\n");
}

TEST(ProfileStore, KeepsEverythingElseOfTheFile) {
    TempFolder dir;
    ProfileStore p;
    const std::string file = dir / "ole.ini";
    WriteAll(file, "; written by hand\n[Other]\nA = 1\n\n[Name]\n0=excel\n; note\n\n[tail]\nz=9\n");
    EXPECT_TRUE(p.WritePrivateProfileStringA("name", "1", "word", file));
    EXPECT_EQ(ReadAll(file), "; written by hand\r\n[Other]\r\nA = 1\r\n\r\n[Name]\r\n0=excel\r\n"
                             "; note\r\n1=word\r\n\r\n[tail]\r\nz=9\r\n");
    EXPECT_EQ(Get(p, "other", "a", file), "1");
    EXPECT_EQ(Get(p, "tail", "Z", file), "9");
}

TEST(ProfileStore, TrimsValuesAsWindowsDoes) {
    TempFolder dir;
    ProfileStore p;
    const std::string file = dir / "t.ini";
    WriteAll(file, "[ s ]\n  key  =   spaced out  \nq=\"quoted text\"\nh='half\"\nempty=\n"
                   "inner=a \"b\" c\n");
    EXPECT_EQ(Get(p, "s", "key", file), "spaced out");
    EXPECT_EQ(Get(p, "s", "q", file), "quoted text");
    EXPECT_EQ(Get(p, "s", "h", file), "'half\"");
    EXPECT_EQ(Get(p, "s", "inner", file), "a \"b\" c");
    long n = -1;
    EXPECT_EQ(Get(p, "s", "empty", file, "dflt", &n), "");
    EXPECT_EQ(n, 0); // present but empty: not the default
}

TEST(ProfileStore, CutsToTheBuffer) {
    TempFolder dir;
    ProfileStore p;
    const std::string file = dir / "t.ini";
    ASSERT_TRUE(p.WritePrivateProfileStringA("s", "k", std::string(1500, 'x'), file));
    long n = 0;
    EXPECT_EQ(Get(p, "s", "k", file, "", &n, 1024), std::string(1023, 'x'));
    EXPECT_EQ(n, 1023);
    EXPECT_EQ(p.GetPrivateProfileStringA("s", "k", "", nullptr, 0, file), 0);
}

TEST(ProfileStore, RefusesEntriesThatWouldCorruptTheFile) {
    TempFolder dir;
    ProfileStore p;
    const std::string file = dir / "t.ini";
    EXPECT_FALSE(p.WritePrivateProfileStringA("s", "k", "two\r\nlines", file));
    EXPECT_FALSE(p.WritePrivateProfileStringA("s", "", "v", file));
    EXPECT_FALSE(p.WritePrivateProfileStringA("s", "a=b", "v", file));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(p.WritePrivateProfileStringA("s", "k", "v", dir / "no-such-folder/t.ini"));
}

TEST(ProfileStore, DamagedFileNeverCrashes) {
    TempFolder dir;
    ProfileStore p;
    const std::string file = dir / "ole.ini";
    WriteAll(file, "\xff\xfe\x00\x01garbage[\n[name\n0=lost\n[name]\n0=ex\x00" "cel\n1=wo"s);
    EXPECT_EQ(Get(p, "name", "0", file), "ex"); // the caller's buffer ends at the NUL
    EXPECT_EQ(Get(p, "name", "1", file), "wo");
    EXPECT_TRUE(p.WritePrivateProfileStringA("name", "2", "paint", file));
    EXPECT_EQ(Get(p, "name", "2", file), "paint");
    EXPECT_EQ(Get(p, "name", "1", file), "wo");
}

TEST(OleIniPath, BesideTheProgramWhenWritableElseInTheUsersConfig) {
    TempFolder dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
    EXPECT_EQ(OleIniPath(dir.path()), dir / "ole.ini");
    EXPECT_EQ(OleIniPath(dir.path().string() + "/"), dir / "ole.ini");
    EXPECT_EQ(OleIniPath(dir / "not-there"), dir / "cfg/quillmax/ole.ini");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "cfg/quillmax"));
    EXPECT_EQ(OleIniPath(""), dir / "cfg/quillmax/ole.ini");
    // An installed program's folder is shared, writable or not.
    EXPECT_EQ(OleIniPath("/usr/bin"), dir / "cfg/quillmax/ole.ini");
    EXPECT_EQ(OleIniPath("/usr/local/bin/"), dir / "cfg/quillmax/ole.ini");
    if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace quillmax::util
