// File: tests/platform/posix/registry_store_test.cpp
// The registry files: format written, names without regard to case,
// forgiving reads of damaged files, the browser default, Win32 statuses.
#include "platform/posix/registry_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "support/temp_folder.h"

namespace quillmax::util {
namespace {

using namespace settings;
using test::ReadAll;
using test::TempFolder;
using test::WriteAll;
using namespace std::string_literals;

std::string Query(RegistryStore& store, RegRoot root, const std::string& key,
                  const std::string& name, std::uint32_t* type = nullptr, long* status = nullptr) {
    RegHandle h = 0;
    long st = store.RegOpenKeyExA(root, key, RegAccess::QueryValue, &h);
    std::string out;
    if (st == kErrorSuccess) {
        unsigned char buf[4096];
        std::uint32_t size = sizeof buf, t = 0;
        st = store.RegQueryValueExA(h, name, &t, buf, &size);
        if (st == kErrorSuccess) out.assign(reinterpret_cast<char*>(buf), size);
        if (type) *type = t;
        store.RegCloseKey(h);
    }
    if (status) *status = st;
    return out;
}

void SetText(RegistryStore& store, RegRoot root, const std::string& key, const std::string& name,
             const std::string& text) {
    RegHandle h = 0;
    ASSERT_EQ(store.RegCreateKeyExA(root, key, &h), kErrorSuccess);
    std::string bytes = text + '\0';
    ASSERT_EQ(store.RegSetValueExA(h, name, kRegSz,
                                   reinterpret_cast<const unsigned char*>(bytes.data()),
                                   static_cast<std::uint32_t>(bytes.size())),
              kErrorSuccess);
    store.RegCloseKey(h);
}

TEST(RegistryStore, WritesTheExportFormatAndReadsItBack) {
    TempFolder dir;
    {
        RegistryStore store(dir.path());
        SetText(store, RegRoot::LocalMachine, "SOFTWARE\\quillmax\\param", "PPTFolder",
                "C:\\Users\\a \"b\"");
        SetText(store, RegRoot::LocalMachine, "SOFTWARE\\quillmax\\param", "", "default");
        RegHandle h = 0;
        ASSERT_EQ(store.RegOpenKeyExA(RegRoot::LocalMachine, "software\\QUILLMAX\\param",
                                      RegAccess::SetValue, &h),
                  kErrorSuccess);
        const unsigned char dw[4] = {0x00, 0x01, 0x00, 0x00};
        EXPECT_EQ(store.RegSetValueExA(h, "Auto", kRegDword, dw, 4), kErrorSuccess);
        store.RegCloseKey(h);
    }
    std::string text = ReadAll(dir / "HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\quillmax\\param]\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"PPTFolder\"=\"C:\\\\Users\\\\a \\\"b\\\"\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Auto\"=dword:00000100\r\n"), std::string::npos);
    // Parents exist as keys of their own.
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"), std::string::npos);

    RegistryStore again(dir.path());
    std::uint32_t type = 0;
    EXPECT_EQ(Query(again, RegRoot::LocalMachine, "Software\\Quillmax\\Param", "pptfolder", &type),
              std::string("C:\\Users\\a \"b\"") + '\0');
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(Query(again, RegRoot::LocalMachine, "SOFTWARE\\quillmax\\param", "AUTO", &type),
              std::string("\x00\x01\x00\x00", 4));
    EXPECT_EQ(type, kRegDword);
    // Nothing of the atomic write is left behind.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(RegistryStore, AnswersWithWin32Statuses) {
    TempFolder dir;
    RegistryStore store(dir.path());
    RegHandle h = 0;
    EXPECT_EQ(store.RegOpenKeyExA(RegRoot::CurrentUser, "Missing", RegAccess::QueryValue, &h),
              kErrorFileNotFound);
    SetText(store, RegRoot::CurrentUser, "K", "v", "0123456789");
    ASSERT_EQ(store.RegOpenKeyExA(RegRoot::CurrentUser, "k", RegAccess::QueryValue, &h),
              kErrorSuccess);
    unsigned char small[4];
    std::uint32_t size = sizeof small, type = 0;
    EXPECT_EQ(store.RegQueryValueExA(h, "v", &type, small, &size), kErrorMoreData);
    EXPECT_EQ(size, 11u);
    size = 0;
    EXPECT_EQ(store.RegQueryValueExA(h, "v", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(store.RegQueryValueExA(h, "other", &type, small, &size), kErrorFileNotFound);
    // A handle opened for reading cannot change anything.
    EXPECT_EQ(store.RegSetValueExA(h, "v", kRegSz, small, 0), kErrorAccessDenied);
    EXPECT_EQ(store.RegDeleteValueA(h, "v"), kErrorAccessDenied);
    EXPECT_EQ(store.RegCloseKey(h), kErrorSuccess);
    EXPECT_EQ(store.RegCloseKey(h), kErrorInvalidHandle);
}

TEST(RegistryStore, EnumeratesDirectSubKeysInNameOrder) {
    TempFolder dir;
    RegistryStore store(dir.path());
    RegHandle h = 0;
    for (const char* k : {"Word.Document\\Insertable", "excel.sheet", "Acro"}) {
        ASSERT_EQ(store.RegCreateKeyExA(RegRoot::ClassesRoot, k, &h), kErrorSuccess);
        store.RegCloseKey(h);
    }
    ASSERT_EQ(store.RegOpenKeyExA(RegRoot::ClassesRoot, "", RegAccess::QueryValue, &h),
              kErrorSuccess);
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
        char name[64], cls[64];
        std::uint32_t ns = sizeof name, cs = sizeof cls;
        if (store.RegEnumKeyExA(h, i, name, &ns, cls, &cs) != kErrorSuccess) break;
        names.emplace_back(name, ns);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Acro", "excel.sheet", "Word.Document"}));
    char tiny[3];
    std::uint32_t ts = sizeof tiny;
    EXPECT_EQ(store.RegEnumKeyExA(h, 1, tiny, &ts, nullptr, nullptr), kErrorMoreData);
    store.RegCloseKey(h);
}

TEST(RegistryStore, DamagedFilesReadAsWhatTheyStillHold) {
    TempFolder dir;
    std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "\"Stray\"=\"before any key\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\quillmax\\param]\r\n"
        "\"Ratio\"=\"2\"\r\n"
        "\"Format\"=\"3\r\n"               // truncated: no closing quote
        "\"Twice\"=dword:0000zz01\r\n"      // not hex
        "\x01\x02\xff\xfe garbage \x00\x00 bytes\n"
        "\"FileSize\"=\"100\"\n"             // LF only
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\broken\r\n"
        "\"Lost\"=\"under a broken header\"\r\n"
        "[HKEY_CURRENT_USER\\Other]\r\n"
        "\"Foreign\"=\"another root\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\bin]\r\n"
        "\"Data\"=hex:01,02,\\\r\n  03\r\n"
        "\"Cut\"=\"abc"s;                    // truncated file
    WriteAll(dir / "HKEY_LOCAL_MACHINE.reg", text);
    RegistryStore store(dir.path());
    long st = 0;
    const std::string key = "SOFTWARE\\quillmax\\param";
    EXPECT_EQ(Query(store, RegRoot::LocalMachine, key, "Ratio"), std::string("2") + '\0');
    EXPECT_EQ(Query(store, RegRoot::LocalMachine, key, "FileSize"), std::string("100") + '\0');
    Query(store, RegRoot::LocalMachine, key, "Format", nullptr, &st);
    EXPECT_EQ(st, kErrorFileNotFound);
    Query(store, RegRoot::LocalMachine, key, "Twice", nullptr, &st);
    EXPECT_EQ(st, kErrorFileNotFound);
    Query(store, RegRoot::LocalMachine, "", "Stray", nullptr, &st);
    EXPECT_EQ(st, kErrorFileNotFound);
    Query(store, RegRoot::LocalMachine, "Other", "Foreign", nullptr, &st);
    EXPECT_EQ(st, kErrorFileNotFound);
    Query(store, RegRoot::LocalMachine, "SOFTWARE\\bin", "Cut", nullptr, &st);
    EXPECT_EQ(st, kErrorFileNotFound);
    EXPECT_EQ(Query(store, RegRoot::LocalMachine, "SOFTWARE\\bin", "Data"),
              std::string("\x01\x02\x03", 3));

    // A write over the damaged file keeps what could be read.
    SetText(store, RegRoot::LocalMachine, key, "Ratio", "0");
    RegistryStore again(dir.path());
    EXPECT_EQ(Query(again, RegRoot::LocalMachine, key, "FileSize"), std::string("100") + '\0');
    EXPECT_EQ(Query(again, RegRoot::LocalMachine, key, "Ratio"), std::string("0") + '\0');
}

TEST(RegistryStore, RandomBytesNeverCrashTheReader) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        std::string bytes(rng() % 400, '\0');
        for (char& c : bytes) c = static_cast<char>(rng() % 256);
        if (round % 3 == 0) bytes = "[HKEY_CLASSES_ROOT\\x]\r\n\"a\"=" + bytes;
        auto hive = regfile::Parse(bytes, RegRoot::ClassesRoot);
        EXPECT_TRUE(hive.count(""));
        // What was read can be written and read again.
        regfile::Parse(regfile::Format(hive, RegRoot::ClassesRoot),
                             RegRoot::ClassesRoot);
    }
}

TEST(RegistryStore, TextsThatCannotBeQuotedSurviveAsHex) {
    TempFolder dir;
    RegistryStore store(dir.path());
    SetText(store, RegRoot::CurrentUser, "K", "lines", "a\r\nb");
    RegistryStore again(dir.path());
    std::uint32_t type = 0;
    EXPECT_EQ(Query(again, RegRoot::CurrentUser, "K", "lines", &type),
              std::string("a\r\nb") + '\0');
    EXPECT_EQ(type, kRegSz);
}

TEST(RegistryStore, ClassesRootKnowsTheBrowserCommand) {
    TempFolder dir;
    RegistryStore store(dir.path());
    EXPECT_EQ(Query(store, RegRoot::ClassesRoot, "http\\shell\\open\\command", ""),
              std::string("xdg-open") + '\0');
    // Not a key of its own: the scan of the root does not see it, and other
    // roots do not answer it.
    RegHandle h = 0;
    ASSERT_EQ(store.RegOpenKeyExA(RegRoot::ClassesRoot, "", RegAccess::QueryValue, &h),
              kErrorSuccess);
    char name[64];
    std::uint32_t ns = sizeof name;
    EXPECT_EQ(store.RegEnumKeyExA(h, 0, name, &ns, nullptr, nullptr), kErrorNoMoreItems);
    store.RegCloseKey(h);
    long st = 0;
    Query(store, RegRoot::LocalMachine, "http\\shell\\open\\command", "", nullptr, &st);
    EXPECT_EQ(st, kErrorFileNotFound);
    // A registered browser wins.
    SetText(store, RegRoot::ClassesRoot, "HTTP\\shell\\open\\command", "", "firefox \"%1\"");
    EXPECT_EQ(Query(store, RegRoot::ClassesRoot, "http\\shell\\open\\command", ""),
              std::string("firefox \"%1\"") + '\0');
}

TEST(RegistryStore, UnwritableFolderFailsQuietly) {
    TempFolder dir;
    WriteAll(dir / "blocker", "a file where the folder should be");
    RegistryStore store(dir / "blocker");
    RegHandle h = 0;
    EXPECT_NE(store.RegCreateKeyExA(RegRoot::LocalMachine, "SOFTWARE\\x", &h), kErrorSuccess);
    EXPECT_EQ(ReadAll(dir / "blocker"), "a file where the folder should be");
}

TEST(RegistryStore, DefaultFolderFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(DefaultRegistryFolder(), "/tmp/cfg/quillmax/registry");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(DefaultRegistryFolder(), std::string(std::getenv("HOME")) + "/.config/quillmax/registry");
    if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace quillmax::util

namespace quillmax::util {
namespace {

TEST(RegistryStore, SeesChangesMadeToTheFileByOthers) {
    test::TempFolder dir;
    RegistryStore store(dir.path());
    SetText(store, settings::RegRoot::LocalMachine, "K", "v", "mine");
    EXPECT_EQ(Query(store, settings::RegRoot::LocalMachine, "K", "v"), std::string("mine") + '\0');
    test::WriteAll(dir / "HKEY_LOCAL_MACHINE.reg",
                   "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"
                   "\"v\"=\"someone else's, and longer\"\r\n");
    EXPECT_EQ(Query(store, settings::RegRoot::LocalMachine, "K", "v"),
              std::string("someone else's, and longer") + '\0');
}

TEST(RegistryStore, EnumeratesALargeRootAtOnce) {
    test::TempFolder dir;
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < 5000; ++i) {
        text += "[HKEY_CLASSES_ROOT\\Server" + std::to_string(i) + ".Object\\Insertable]\r\n@=\"\"\r\n";
    }
    test::WriteAll(dir / "HKEY_CLASSES_ROOT.reg", text);
    RegistryStore store(dir.path());
    settings::RegHandle h = 0;
    ASSERT_EQ(store.RegOpenKeyExA(settings::RegRoot::ClassesRoot, "", settings::RegAccess::QueryValue, &h),
              settings::kErrorSuccess);
    std::uint32_t count = 0;
    for (;; ++count) {
        char name[64];
        std::uint32_t ns = sizeof name;
        if (store.RegEnumKeyExA(h, count, name, &ns, nullptr, nullptr) != settings::kErrorSuccess) break;
    }
    store.RegCloseKey(h);
    EXPECT_EQ(count, 5000u);
}

} // namespace
} // namespace quillmax::util
