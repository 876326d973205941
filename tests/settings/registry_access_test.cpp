// File: tests/settings/registry_access_test.cpp
// The registry operations' buffer rules over the POSIX registry files.
#include "settings/registry_access.h"

#include <gtest/gtest.h>

#include "platform/posix/registry_store.h"
#include "support/temp_folder.h"

namespace quillmax::settings {
namespace {

using test::TempFolder;

struct RegistryAccessTest : ::testing::Test {
    TempFolder dir;
    util::RegistryStore store{dir.path()};
    RegistryAccess reg{store};

    void SetRaw(RegRoot root, const std::string& key, const std::string& name,
                std::uint32_t type, const std::string& bytes) {
        RegHandle h = 0;
        ASSERT_EQ(store.RegCreateKeyExA(root, key, &h), kErrorSuccess);
        store.RegSetValueExA(h, name, type, reinterpret_cast<const unsigned char*>(bytes.data()),
                             static_cast<std::uint32_t>(bytes.size()));
        store.RegCloseKey(h);
    }
};

TEST_F(RegistryAccessTest, DwordReadsAsDecimalText) {
    reg.WriteRegistryDword(RegRoot::CurrentUser, "Software\\Office\\12.0", "Auto", 256);
    RegText t = reg.ReadRegistryText(RegRoot::CurrentUser, "Software\\Office\\12.0", "Auto");
    EXPECT_TRUE(t.found);
    EXPECT_EQ(t.text, "256");
    reg.WriteRegistryDword(RegRoot::CurrentUser, "Software\\Office\\12.0", "Auto", 4294967295u);
    EXPECT_EQ(reg.ReadRegistryText(RegRoot::CurrentUser, "Software\\Office\\12.0", "Auto").text,
              "4294967295");
}

TEST_F(RegistryAccessTest, ValueNeedingMoreThanTheBufferIsNotFound) {
    reg.WriteRegistryText(RegRoot::LocalMachine, "K", "fits", std::string(1023, 'a'));
    reg.WriteRegistryText(RegRoot::LocalMachine, "K", "long", std::string(1024, 'a'));
    RegText fits = reg.ReadRegistryText(RegRoot::LocalMachine, "K", "fits");
    EXPECT_TRUE(fits.found);
    EXPECT_EQ(fits.text, std::string(1023, 'a'));
    RegText tooLong = reg.ReadRegistryText(RegRoot::LocalMachine, "K", "long");
    EXPECT_FALSE(tooLong.found);
    EXPECT_EQ(tooLong.text, "");
    EXPECT_FALSE(reg.RegistryValueExists(RegRoot::LocalMachine, "K", "long"));
    EXPECT_TRUE(reg.RegistryValueExists(RegRoot::LocalMachine, "K", "fits"));
}

TEST_F(RegistryAccessTest, WriteCreatesTheKeyInTheSameCall) {
    EXPECT_FALSE(reg.RegistryValueExists(RegRoot::LocalMachine, "SOFTWARE\\quillmax\\param", "OLE"));
    EXPECT_TRUE(reg.WriteRegistryText(RegRoot::LocalMachine, "SOFTWARE\\quillmax\\param", "OLE", "1"));
    RegText t = reg.ReadRegistryText(RegRoot::LocalMachine, "software\\quillmax\\PARAM", "ole");
    EXPECT_TRUE(t.found);
    EXPECT_EQ(t.text, "1");
}

TEST_F(RegistryAccessTest, TextsLoseTheirNulAndStopAtAnEmbeddedOne) {
    SetRaw(RegRoot::ClassesRoot, "A", "", kRegSz, std::string("abc\0def\0", 8));
    SetRaw(RegRoot::ClassesRoot, "A", "bare", kRegSz, "no terminator");
    SetRaw(RegRoot::ClassesRoot, "A", "empty", kRegSz, std::string("\0", 1));
    EXPECT_EQ(reg.ReadRegistryText(RegRoot::ClassesRoot, "A", "").text, "abc");
    EXPECT_EQ(reg.ReadRegistryText(RegRoot::ClassesRoot, "A", "bare").text, "no terminator");
    RegText e = reg.ReadRegistryText(RegRoot::ClassesRoot, "A", "empty");
    EXPECT_TRUE(e.found);
    EXPECT_EQ(e.text, "");
    EXPECT_FALSE(reg.ReadRegistryText(RegRoot::ClassesRoot, "Missing", "").found);
}

TEST_F(RegistryAccessTest, DeleteReportsTheWin32Status) {
    EXPECT_EQ(reg.DeleteRegistryValue(RegRoot::CurrentUser, "No\\Such\\Key", "v"),
              kErrorFileNotFound);
    reg.WriteRegistryDword(RegRoot::CurrentUser, "K", "v", 1);
    EXPECT_EQ(reg.DeleteRegistryValue(RegRoot::CurrentUser, "K", "v"), kErrorSuccess);
    EXPECT_EQ(reg.DeleteRegistryValue(RegRoot::CurrentUser, "K", "v"), kErrorFileNotFound);
    EXPECT_FALSE(reg.RegistryValueExists(RegRoot::CurrentUser, "K", "v"));
}

TEST_F(RegistryAccessTest, ListsTheRootsSubKeysAndFindsDefaultValuesOnly) {
    reg.CreateRegistryKey(RegRoot::ClassesRoot, "Excel.Sheet.8\\Insertable");
    reg.WriteRegistryText(RegRoot::ClassesRoot, "Paint.Picture\\Insertable", "", "");
    EXPECT_EQ(reg.ListRegistrySubkeys(RegRoot::ClassesRoot),
              (std::vector<std::string>{"Excel.Sheet.8", "Paint.Picture"}));
    // A key without a default value does not count; an empty default does.
    EXPECT_FALSE(reg.RegistryValueExists(RegRoot::ClassesRoot, "Excel.Sheet.8\\Insertable", ""));
    EXPECT_TRUE(reg.RegistryValueExists(RegRoot::ClassesRoot, "Paint.Picture\\Insertable", ""));
    EXPECT_TRUE(reg.ListRegistrySubkeys(RegRoot::CurrentUser).empty());
}

TEST_F(RegistryAccessTest, BrowserCommandIsAnsweredOnPosix) {
    RegText t = reg.ReadRegistryText(RegRoot::ClassesRoot, "http\\shell\\open\\command", "");
    EXPECT_TRUE(t.found);
    EXPECT_EQ(t.text, "xdg-open");
}

} // namespace
} // namespace quillmax::settings
