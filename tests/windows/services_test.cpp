// File: tests/windows/services_test.cpp
// The Win32 services through the real calls: the nineteen settings through
// the registry, the OLE conversion list through a real INI file in the
// system code page, file times (creation included), the atomic replace.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/atomic_file.h"
#include "base/platform_services.h"
#include "harness.h"
#include "platform/win32/code_page.h"
#include "platform/win32/profile_strings.h"
#include "platform/win32/registry.h"
#include "settings/ole_list_store.h"
#include "settings/registry_access.h"
#include "settings/settings_store.h"
#include "util/file_times.h"

using namespace quillmax;

namespace {

// A fresh folder under the temporary folder, removed with its files.
struct TempFolder {
    std::string path;
    TempFolder() {
        wchar_t base[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH, base);
        path = win32::WideToUtf8(base) + "qmx-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
        ::CreateDirectoryW(win32::Utf8ToWide(path).c_str(), nullptr);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(win32::Utf8ToWide(path)), ec);
    }
    static inline int counter = 0;
};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(std::filesystem::path(win32::Utf8ToWide(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(win32::Utf8ToWide(path)), std::ios::binary) << bytes;
}

// What the code page makes of a text, straight from Windows.
std::string Ansi(const wchar_t* text) {
    char buf[256] = {};
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, buf, sizeof buf, nullptr, nullptr);
    return std::string(buf, n > 0 ? n - 1 : 0);
}

std::string RawRegistryText(HKEY root, const char* key, const char* value) {
    char buf[1024] = {};
    DWORD size = sizeof buf, type = 0;
    if (::RegGetValueA(root, key, value, RRF_RT_REG_SZ, &type, buf, &size) != ERROR_SUCCESS) return "<none>";
    return buf;
}

util::FileTime Stamp(int year, int month, int day, int ms) {
    SYSTEMTIME st{static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day), 13, 14, 15,
                  static_cast<WORD>(ms)};
    FILETIME ft{};
    ::SystemTimeToFileTime(&st, &ft);
    return {ft.dwLowDateTime, ft.dwHighDateTime};
}

std::uint64_t WholeSeconds(const util::FileTime& t) { return t.Ticks() - t.Ticks() % 10000000u; }

// Japanese texts survive the ANSI calls only in the Japanese code page.
bool Japanese() {
    if (::GetACP() == 932) return true;
    std::printf("  skipped: needs code page 932 (run under a Japanese locale)\n");
    return false;
}

constexpr const char* kTestKey = "Software\\quillmax-windows-test";

} // namespace

TEST(CodePageIsTheExpectedOne) {
    // CI runs Wine under ja_JP.UTF-8 so the INI and registry texts are
    // Shift-JIS; say so when the machine has another code page.
    const char* expect = std::getenv("QUILLMAX_EXPECT_ACP");
    std::printf("  system code page %u\n", ::GetACP());
    if (expect && *expect) CHECK_EQ(::GetACP(), static_cast<UINT>(std::atoi(expect)));
}

TEST(RegistryRoundTripsAllNineteenSettings) {
    if (!Japanese()) return;
    win32::Registry api;
    settings::RegistryAccess registry(api);
    settings::SettingsStore store(registry, [] { return std::string("C:\\Desktop"); });
    settings::Settings before; // what the machine had, put back at the end
    store.LoadSettings(before);

    settings::Settings s;
    s.OLE = 0; s.Movie = 0; s.KeepFileDate = 1; s.ShowFileSize = 0; s.Twice = 0;
    s.SameFilename = 1; s.Format = 4; s.Ratio = 3; s.MovieTarget = 2; s.MovieCond = 2; s.Encode = -1;
    s.optPPTFolder = 1; s.optMovieFolder = 1;
    s.PPTFolder = "C:\\出力\\資料"; s.MovieFolder = "D:\\動画";
    s.FileSize = "120"; s.ExpectRate = "60"; s.PixelSize = "33"; s.FormHeight = 7890;
    s.FitSize = "9.5MB";
    store.SaveSettings(s);

    settings::Settings t;
    store.LoadSettings(t);
    CHECK_EQ(t.OLE, 0); CHECK_EQ(t.Movie, 0); CHECK_EQ(t.KeepFileDate, 1); CHECK_EQ(t.ShowFileSize, 0);
    CHECK_EQ(t.Twice, 0); CHECK_EQ(t.SameFilename, 1); CHECK_EQ(t.Format, 4); CHECK_EQ(t.Ratio, 3);
    CHECK_EQ(t.MovieTarget, 2); CHECK_EQ(t.MovieCond, 2); CHECK_EQ(t.Encode, -1);
    CHECK_EQ(t.optPPTFolder, 1); CHECK_EQ(t.optMovieFolder, 1);
    CHECK_EQ(t.PPTFolder, s.PPTFolder); CHECK_EQ(t.MovieFolder, s.MovieFolder);
    CHECK_EQ(t.FileSize, s.FileSize); CHECK_EQ(t.ExpectRate, s.ExpectRate); CHECK_EQ(t.PixelSize, s.PixelSize);
    CHECK_EQ(t.FormHeight, 7890);
    CHECK_EQ(t.FitSize, s.FitSize);
    // Stored as any ANSI program of the machine stores it.
    const char* param = "SOFTWARE\\quillmax\\param";
    CHECK_EQ(RawRegistryText(HKEY_LOCAL_MACHINE, param, "PPTFolder"), Ansi(L"C:\\出力\\資料"));
    CHECK_EQ(RawRegistryText(HKEY_LOCAL_MACHINE, param, "Encode"), std::string("-1"));
    CHECK_EQ(RawRegistryText(HKEY_LOCAL_MACHINE, param, "FormHeight"), std::string("7890"));

    store.SaveSettings(before);
}

TEST(RegistryAccessRulesOnTheRealRegistry) {
    if (!Japanese()) return;
    win32::Registry api;
    settings::RegistryAccess r(api);
    using settings::RegRoot;
    const std::string key = std::string(kTestKey) + "\\新しいキー";
    // A write into a key that does not exist creates it in the same call.
    r.WriteRegistryText(RegRoot::CurrentUser, key, "Text", "値 1");
    CHECK_EQ(r.ReadRegistryText(RegRoot::CurrentUser, key, "Text").text, std::string("値 1"));
    r.WriteRegistryDword(RegRoot::CurrentUser, key, "Number", 256);
    CHECK_EQ(r.ReadRegistryText(RegRoot::CurrentUser, key, "Number").text, std::string("256"));
    // 1025 bytes with the NUL do not fit the 1024-byte buffer: not found.
    r.WriteRegistryText(RegRoot::CurrentUser, key, "Long", std::string(1024, 'x'));
    CHECK(!r.ReadRegistryText(RegRoot::CurrentUser, key, "Long").found);
    r.WriteRegistryText(RegRoot::CurrentUser, key, "Fits", std::string(1023, 'x'));
    CHECK_EQ(r.ReadRegistryText(RegRoot::CurrentUser, key, "Fits").text, std::string(1023, 'x'));
    CHECK(r.RegistryValueExists(RegRoot::CurrentUser, key, "Number"));
    CHECK_EQ(r.DeleteRegistryValue(RegRoot::CurrentUser, key, "Number"), 0L);
    CHECK(!r.RegistryValueExists(RegRoot::CurrentUser, key, "Number"));
    CHECK(r.DeleteRegistryValue(RegRoot::CurrentUser, key, "Number") != 0L);
    CHECK(r.DeleteRegistryValue(RegRoot::CurrentUser, key + "\\none", "x") != 0L);
    // The classes root lists its sub-keys (Wine and Windows have many).
    CHECK(r.ListRegistrySubkeys(RegRoot::ClassesRoot).size() > 10);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    CHECK(!r.ReadRegistryText(RegRoot::CurrentUser, key, "Text").found);
}

TEST(OleListRoundTripsThroughIniInTheCodePage) {
    if (!Japanese()) return;
    TempFolder dir;
    const std::string ini = dir.path + "\\ole.ini";
    win32::ProfileStrings profile;
    win32::Registry api;
    settings::RegistryAccess registry(api);

    settings::OleConversionList list;
    list.AddToExceptionList("excel", settings::kDoNotConvert);
    list.AddToExceptionList("一太郎", settings::kConvert);
    list.AddToExceptionList("word", "False");
    settings::OleListStore(list, profile, registry, [&] { return ini; }).SaveExceptionList();

    const std::string bytes = ReadBytes(ini);
    CHECK_EQ(bytes.rfind("[name]", 0), size_t{0}); // name is written first
    CHECK(bytes.find(Ansi(L"変換しない")) != std::string::npos);
    CHECK(bytes.find("\x95\xCF\x8A\xB7\x82\xB5\x82\xC8\x82\xA2") != std::string::npos);

    settings::OleConversionList back;
    settings::OleListStore(back, profile, registry, [&] { return ini; }).initExceptionList();
    REQUIRE(back.keys().size() >= 3);
    CHECK_EQ(back.keys()[0], std::string("excel"));
    CHECK_EQ(back.values()[0], std::string(settings::kDoNotConvert));
    CHECK_EQ(back.keys()[1], std::string("一太郎"));
    CHECK_EQ(back.values()[1], std::string(settings::kConvert));
    CHECK_EQ(back.values()[2], std::string("False"));
}

TEST(IniReadsFollowTheProfileRules) {
    if (!Japanese()) return;
    TempFolder dir;
    const std::string ini = dir.path + "\\ole.ini";
    // Written by hand in the code page: entry 2 missing, value 1 missing.
    WriteBytes(ini, "[name]\r\n0=Excel\r\n1=" + Ansi(L"花子") + "\r\n3=word\r\n[value]\r\n0=" +
                        Ansi(L"変換する") + "\r\n");
    win32::ProfileStrings profile;
    CHECK_EQ(settings::ReadIniString(profile, ini, "value", "0", ""), std::string("変換する"));
    CHECK_EQ(settings::ReadIniString(profile, ini, "value", "1", "既定"), std::string("既定"));
    CHECK_EQ(settings::ReadIniString(profile, ini, "NAME", "1", ""), std::string("花子"));
    win32::Registry api;
    settings::RegistryAccess registry(api);
    settings::OleConversionList list;
    settings::OleListStore(list, profile, registry, [&] { return ini; }).initExceptionList();
    REQUIRE(list.keys().size() >= 2);
    CHECK_EQ(list.keys()[0], std::string("excel"));
    CHECK_EQ(list.keys()[1], std::string("花子"));
    CHECK_EQ(list.values()[1], std::string(settings::kDoNotConvert));
    for (const std::string& k : list.keys()) CHECK(k != "word");
}

TEST(FileTimesCopyExactlyCreationIncluded) {
    TempFolder dir;
    const std::string src = dir.path + "\\入力.pptx", dst = dir.path + "\\出力.pptx";
    WriteBytes(src, "source");
    WriteBytes(dst, "destination");
    const util::FileTime c = Stamp(2001, 2, 3, 789), w = Stamp(2011, 7, 8, 1), a = Stamp(2021, 12, 24, 999);
    HANDLE h = ::CreateFileW(win32::Utf8ToWide(src).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(h != INVALID_HANDLE_VALUE);
    FILETIME fc{c.dwLowDateTime, c.dwHighDateTime}, fa{a.dwLowDateTime, a.dwHighDateTime},
        fw{w.dwLowDateTime, w.dwHighDateTime};
    ::SetFileTime(h, &fc, &fa, &fw);
    ::CloseHandle(h);

    // Wine on a Linux file system keeps no creation time (it answers the
    // modification time); NTFS keeps the one set above.
    util::FileTimes source;
    REQUIRE(util::GetFileTimesByName(src, source));
    if (source.creation.Ticks() != c.Ticks())
        std::printf("  note: this file system keeps no creation time of its own\n");

    util::CopyFileTimes(src, dst);
    util::FileTimes got;
    REQUIRE(util::GetFileTimesByName(dst, got));
    CHECK_EQ(got.creation.Ticks(), WholeSeconds(source.creation)); // fractions are not carried over
    CHECK_EQ(got.lastWrite.Ticks(), WholeSeconds(w));
    CHECK_EQ(got.lastAccess.Ticks(), WholeSeconds(a));
    CHECK_EQ(ReadBytes(dst), std::string("destination"));
}

TEST(FileTimesLeaveALockedDestinationAndAMissingSource) {
    TempFolder dir;
    const std::string src = dir.path + "\\a.pptx", dst = dir.path + "\\b.pptx";
    WriteBytes(src, "a");
    WriteBytes(dst, "b");
    util::FileTimes before;
    REQUIRE(util::GetFileTimesByName(dst, before));
    util::CopyFileTimes(dir.path + "\\none.pptx", dst);
    // Another program holds it without sharing.
    HANDLE lock = ::CreateFileW(win32::Utf8ToWide(dst).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(lock != INVALID_HANDLE_VALUE);
    util::SetCreationTime(dst, util::DateValue{1999, 1, 1, 0, 0, 0});
    util::SetLastWriteTime(dst, util::DateValue{1999, 1, 1, 0, 0, 0});
    ::CloseHandle(lock);
    util::FileTimes after;
    REQUIRE(util::GetFileTimesByName(dst, after));
    CHECK_EQ(after.creation.Ticks(), before.creation.Ticks());
    CHECK_EQ(after.lastWrite.Ticks(), before.lastWrite.Ticks());
}

TEST(AtomicReplaceAndFolders) {
    TempFolder dir;
    const std::string file = dir.path + "\\設定.reg";
    WriteBytes(file, "old");
    CHECK(!util::WriteFileAtomically(file, std::string("new\0bytes", 9)));
    CHECK_EQ(ReadBytes(file), std::string("new\0bytes", 9));
    size_t entries = 0;
    for (auto& e : std::filesystem::directory_iterator(std::filesystem::path(win32::Utf8ToWide(dir.path)))) {
        (void)e;
        ++entries;
    }
    CHECK_EQ(entries, size_t{1}); // no temporary file left
    CHECK(util::WriteFileAtomically(dir.path + "\\no\\such\\folder\\x", "x"));

    CHECK_EQ(settings::OleIniPath(dir.path), dir.path + "\\ole.ini");
    const std::string desktop = settings::DesktopFolder();
    CHECK(!desktop.empty());
    CHECK(desktop.back() != '\\');
}
