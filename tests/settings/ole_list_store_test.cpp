// File: tests/settings/ole_list_store_test.cpp
// The OLE conversion list: ole.ini loading and saving, the installed-server
// scan, the list's rules and the dialog's model operations.
#include "settings/ole_list_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/profile_store.h"
#include "platform/posix/registry_store.h"
#include "support/temp_folder.h"
#include "util/file_system.h"

namespace quillmax::settings {
namespace {

using test::ReadAll;
using test::TempFolder;
using test::WriteAll;
using namespace std::string_literals;

struct OleListStoreTest : ::testing::Test {
    TempFolder dir;
    util::RegistryStore api{dir / "registry"};
    RegistryAccess reg{api};
    util::ProfileStore profile;
    util::FileSystem fileSystem;
    OleConversionList list;
    std::string ini = dir / "ole.ini";
    OleListStore store{list, profile, reg, [this] { return ini; }, &fileSystem};

    std::string Ini(const char* section, int index) {
        return ReadIniString(profile, ini, section, std::to_string(index), "<none>");
    }
    std::vector<std::string> Keys() { return list.keys(); }
};

TEST_F(OleListStoreTest, NoFileGivesTheDefaultListAndSavingWritesIt) {
    store.initExceptionList();
    ASSERT_EQ(list.keys().size(), 13u);
    for (size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(list.keys()[i], kDefaultOleList[i].key);
        EXPECT_EQ(list.values()[i], kDefaultOleList[i].value);
    }
    EXPECT_EQ(list.values()[9], "変換する");
    EXPECT_EQ(list.values()[10], "変換しない");
    EXPECT_FALSE(std::filesystem::exists(ini)); // nothing written at load

    store.SaveExceptionList();
    EXPECT_EQ(ReadAll(ini).rfind("[name]\r\n0=excel\r\n1=word\r\n", 0), 0u);
    EXPECT_EQ(Ini("name", 12), "midfile");
    EXPECT_EQ(Ini("value", 0), "変換する");
    EXPECT_EQ(Ini("value", 12), "変換しない");
    EXPECT_EQ(Ini("name", 13), "<none>");
}

TEST_F(OleListStoreTest, FileEntriesReplaceTheDefaultsUpToTheFirstMissingName) {
    WriteAll(ini, "[name]\n0=Excel\n1=visio\n3=word\n[value]\n0=変換しない\n3=変換する\n");
    store.initExceptionList();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"excel", "visio"}));
    EXPECT_EQ(list.values()[0], "変換しない");
    EXPECT_EQ(list.values()[1], "変換しない"); // missing value
    EXPECT_EQ(list.ObjToImage("Excel"), "変換しない");
    EXPECT_EQ(list.ObjToImage("word"), "変換する"); // not listed
    EXPECT_EQ(list.ObjToImage(""), "変換する");
}

TEST_F(OleListStoreTest, DuplicateKeyCountsOnceAndIsNotWrittenBack) {
    WriteAll(ini, "[name]\n0=excel\n1=EXCEL\n2=word\n[value]\n0=変換する\n1=変換しない\n2=False\n");
    store.initExceptionList();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"excel", "word"}));
    EXPECT_EQ(list.values()[0], "変換する");
    EXPECT_EQ(list.values()[1], "False");
    store.SaveExceptionList();
    EXPECT_EQ(Ini("name", 0), "excel");
    EXPECT_EQ(Ini("name", 1), "word");
    EXPECT_EQ(Ini("value", 1), "False");
    // Entries above the list's count stay; loading again changes nothing.
    EXPECT_EQ(Ini("name", 2), "word");
    list.Clear();
    store.initExceptionList();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"excel", "word"}));
}

TEST_F(OleListStoreTest, InstalledInsertableServersAreAddedAsNotConverted) {
    reg.WriteRegistryText(RegRoot::ClassesRoot, "Excel.Sheet.8\\Insertable", "", "");
    reg.WriteRegistryText(RegRoot::ClassesRoot, "Visio.Drawing.11\\Insertable", "", "");
    reg.WriteRegistryText(RegRoot::ClassesRoot, "SoundRec\\Insertable", "", "x");
    reg.CreateRegistryKey(RegRoot::ClassesRoot, "NoDefault.1\\Insertable");
    reg.WriteRegistryText(RegRoot::ClassesRoot, "Plain.Object", "", "not insertable");
    store.initExceptionList();
    ASSERT_EQ(list.keys().size(), 15u);
    EXPECT_EQ(list.ObjToImage("excel"), "変換する"); // listed before: keeps its value
    EXPECT_EQ(list.keys()[13], "soundrec");
    EXPECT_EQ(list.keys()[14], "visio");
    EXPECT_EQ(list.values()[14], "変換しない");
    EXPECT_EQ(list.ObjToImage("nodefault"), "変換する");
    EXPECT_EQ(list.ObjToImage("plain"), "変換する");
}

TEST_F(OleListStoreTest, EmptyKeysNeverReachTheFile) {
    list.AddToExceptionList("", "変換しない");
    list.AddToExceptionList("  ", "変換しない");
    list.AddToExceptionList("Word", "変換しない");
    list.AddToExceptionList("word", "変換する");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"word"}));
    EXPECT_EQ(list.values()[0], "変換しない");

    // A list that got an empty key some other way still saves densely.
    struct Leaky : OleConversionList {
        void Inject(const std::string& k, const std::string& v) {
            keys_.push_back(k);
            values_.push_back(v);
        }
    } leaky;
    leaky.Inject("a", "1");
    leaky.Inject("", "2");
    leaky.Inject("b", "3");
    OleListStore leakyStore{leaky, profile, reg, [this] { return ini; }};
    leakyStore.SaveExceptionList();
    EXPECT_EQ(Ini("name", 1), "b");
    EXPECT_EQ(Ini("value", 1), "3");
}

TEST_F(OleListStoreTest, ReadIniStringBufferRules) {
    WriteAll(ini, "[s]\nempty=\nlong=" + std::string(1500, 'x') + "\n");
    EXPECT_EQ(ReadIniString(profile, ini, "s", "empty", "dflt"), "dflt");
    EXPECT_EQ(ReadIniString(profile, ini, "s", "missing", "dflt"), "dflt");
    EXPECT_EQ(ReadIniString(profile, ini, "s", "long", ""), std::string(1023, 'x'));
}

TEST_F(OleListStoreTest, DamagedIniNeverCrashes) {
    WriteAll(ini, "\x7f" "ELF\x02\x01\x01\0\0\0[name\n\xff\xfe=\n[name]\n0=ex\0cel\n1="
                  "\n2=word\n[value]\n0"s);
    store.initExceptionList();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"ex"}));
    EXPECT_EQ(list.values()[0], "変換しない");
    store.SaveExceptionList();
    list.Clear();
    store.initExceptionList();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"ex"}));
}

TEST_F(OleListStoreTest, SelectingAKeyShowsItsDescriptionAndOption) {
    reg.WriteRegistryText(RegRoot::ClassesRoot, "excel", "", "Microsoft Excel");
    store.initExceptionList();
    list.AddToExceptionList("package", "False");
    auto sel = store.lstException_Click(0);
    EXPECT_EQ(sel.description, "Microsoft Excel");
    EXPECT_EQ(sel.option, 0);
    sel = store.lstException_Click(10); // mplayer: not in the registry
    EXPECT_EQ(sel.description, "");
    EXPECT_EQ(sel.option, 1);
    sel = store.lstException_Click(13); // "False": no option button changes
    EXPECT_EQ(sel.option, -1);
    store.optFormat_Click(13, 1);
    EXPECT_EQ(list.ObjToImage("package"), "変換しない");
    store.optFormat_Click(-1, 0); // nothing selected: nothing changes
    EXPECT_EQ(list.ObjToImage("package"), "変換しない");
    EXPECT_EQ(store.lstException_Click(-1).option, -1);
}

TEST_F(OleListStoreTest, ResetDeletesTheFileTicksTwiceAndRebuilds) {
    WriteAll(ini, "[name]\n0=visio\n[value]\n0=変換する\n");
    store.initExceptionList();
    ASSERT_EQ(Keys(), (std::vector<std::string>{"visio"}));
    Settings s;
    s.Twice = 0;
    store.btnReset_Click(s);
    EXPECT_EQ(s.Twice, 1);
    EXPECT_FALSE(std::filesystem::exists(ini));
    EXPECT_EQ(list.keys().size(), 13u);
    store.btnReset_Click(s); // no file to delete: still fine
    EXPECT_EQ(list.keys().size(), 13u);
}

} // namespace
} // namespace quillmax::settings
