// File: tests/settings/settings_store_test.cpp
// LoadSettings / SaveSettings over the registry files: defaults, the
// blank rule, safe readings of unusable texts, the write order.
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include "platform/posix/registry_store.h"
#include "support/temp_folder.h"

namespace quillmax::settings {
namespace {

using test::ReadAll;
using test::TempFolder;
using test::WriteAll;
using namespace std::string_literals;

struct SettingsStoreTest : ::testing::Test {
    TempFolder dir;
    util::RegistryStore api{dir.path()};
    RegistryAccess reg{api};
    SettingsStore store{reg, [] { return std::string("/home/u/Desktop"); }};

    void Put(const char* name, const std::string& text) {
        reg.WriteRegistryText(RegRoot::LocalMachine, kParamKey, name, text);
    }
    std::string Stored(const char* name) {
        return reg.ReadRegistryText(RegRoot::LocalMachine, kParamKey, name).text;
    }
    Settings Loaded() {
        Settings s;
        s.OLE = s.Movie = s.Twice = 7; // make sure every field is really set
        s.Format = s.Ratio = s.MovieTarget = s.MovieCond = 9;
        s.FormHeight = 1;
        s.FitSize = "stale";
        store.LoadSettings(s);
        return s;
    }
};

TEST(IsBlankText, OnlyNulCrLfAndSpaceAreBlank) {
    EXPECT_TRUE(IsBlankText(""));
    EXPECT_TRUE(IsBlankText(std::string(" \r\n\0 ", 5)));
    EXPECT_FALSE(IsBlankText("\t"));
    EXPECT_FALSE(IsBlankText(" 0 "));
}

TEST_F(SettingsStoreTest, FirstRunTakesEveryDefaultAndStoresAllNineteenValues) {
    Settings s = Loaded();
    EXPECT_EQ(s.OLE, 1);
    EXPECT_EQ(s.Movie, 0); // a movie encode can take long: off until chosen
    EXPECT_EQ(s.SameFilename, 0);
    EXPECT_EQ(s.KeepFileDate, 0);
    EXPECT_EQ(s.ShowFileSize, 1);
    EXPECT_EQ(s.optPPTFolder, 0);
    EXPECT_EQ(s.optMovieFolder, 0);
    EXPECT_EQ(s.PPTFolder, "/home/u/Desktop");
    EXPECT_EQ(s.MovieFolder, "/home/u/Desktop");
    EXPECT_EQ(s.Format, 0);
    EXPECT_EQ(s.Ratio, 1);
    EXPECT_EQ(kRatioItems[static_cast<size_t>(s.Ratio)], "ｻｲｽﾞ優先");
    EXPECT_EQ(s.FileSize, "50");
    EXPECT_EQ(s.ExpectRate, "75");
    EXPECT_EQ(s.PixelSize, "50");
    EXPECT_EQ(s.Twice, 1);
    EXPECT_EQ(s.AllPictures, 0);
    EXPECT_EQ(s.FormHeight, 6000);
    EXPECT_EQ(s.MovieTarget, 0);
    EXPECT_EQ(s.MovieCond, 0);

    store.SaveSettings(s);
    // The file lists the values in the order they were first written.
    std::string text = ReadAll(dir / "HKEY_LOCAL_MACHINE.reg");
    const std::string expected =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\quillmax\\param]\r\n"
        "\"SameFilename\"=\"0\"\r\n\"KeepFileDate\"=\"0\"\r\n\"ShowFileSize\"=\"1\"\r\n"
        "\"optPPTFolder\"=\"0\"\r\n\"optMovieFolder\"=\"0\"\r\n"
        "\"PPTFolder\"=\"/home/u/Desktop\"\r\n\"MovieFolder\"=\"/home/u/Desktop\"\r\n"
        "\"MovieTarget\"=\"0\"\r\n\"MovieCond\"=\"0\"\r\n\"Twice\"=\"1\"\r\n"
        "\"Format\"=\"0\"\r\n\"Ratio\"=\"1\"\r\n\"FileSize\"=\"50\"\r\n\"ExpectRate\"=\"75\"\r\n"
        "\"PixelSize\"=\"50\"\r\n\"FormHeight\"=\"6000\"\r\n\"OLE\"=\"1\"\r\n\"Movie\"=\"0\"\r\n"
        "\"AllPictures\"=\"0\"\r\n\"FitSize\"=\"\"\r\n\"Encode\"=\"-1\"\r\n";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
}

TEST_F(SettingsStoreTest, OptionArraysSelectElementOneForAnyTextButZero) {
    Put("optPPTFolder", "2");
    Put("optMovieFolder", "0");
    Settings s = Loaded();
    EXPECT_EQ(s.optPPTFolder, 1);
    EXPECT_EQ(s.optMovieFolder, 0);
    Put("optPPTFolder", " \r\n");
    Put("optMovieFolder", "yes");
    s = Loaded();
    EXPECT_EQ(s.optPPTFolder, 0);
    EXPECT_EQ(s.optMovieFolder, 1);
}

TEST_F(SettingsStoreTest, BlankTextsGiveDefaultsAndOtherTextsAreKeptUnchanged) {
    Put("FileSize", "  ");
    Put("ExpectRate", " 60 ");
    Put("PixelSize", "abc");
    Put("PPTFolder", "\r\n");
    Put("MovieFolder", "/srv/movies/");
    Settings s = Loaded();
    EXPECT_EQ(s.FileSize, "50");
    EXPECT_EQ(s.ExpectRate, " 60 ");
    EXPECT_EQ(s.PixelSize, "abc");
    EXPECT_EQ(s.PPTFolder, "/home/u/Desktop");
    EXPECT_EQ(s.MovieFolder, "/srv/movies/");
}

TEST_F(SettingsStoreTest, EmptyTextsAtExitKeepTheStoredValue) {
    Put("FileSize", "500");
    Put("PPTFolder", "/out/");
    Settings s = Loaded();
    s.FileSize.clear();
    s.PPTFolder.clear();
    s.ExpectRate.clear();
    store.SaveSettings(s);
    EXPECT_EQ(Stored("FileSize"), "500");
    EXPECT_EQ(Stored("PPTFolder"), "/out/");
    EXPECT_FALSE(reg.ReadRegistryText(RegRoot::LocalMachine, kParamKey, "ExpectRate").found);
}

TEST_F(SettingsStoreTest, UnusableNumbersGiveTheSafeReading) {
    Put("OLE", "5");
    Put("Movie", "x");
    Put("KeepFileDate", "2"); // grayed: kept as read
    Put("ShowFileSize", "0");
    Put("SameFilename", "2");
    Put("Format", "-3");
    Put("Ratio", "99999999999999999999");
    Put("Twice", "1.5");
    Put("FormHeight", "tall");
    Put("MovieTarget", "3");
    Put("MovieCond", " 2\r\n");
    Settings s = Loaded();
    EXPECT_EQ(s.OLE, 1);
    EXPECT_EQ(s.Movie, 0);
    EXPECT_EQ(s.KeepFileDate, 2);
    EXPECT_EQ(s.ShowFileSize, 0);
    EXPECT_EQ(s.SameFilename, 0);
    EXPECT_EQ(s.Format, 0);
    EXPECT_EQ(s.Ratio, 1);
    EXPECT_EQ(s.Twice, 1);
    EXPECT_EQ(s.FormHeight, 6000);
    EXPECT_EQ(s.MovieTarget, 0);
    EXPECT_EQ(s.MovieCond, 2);

    // In range: taken as stored; -1 is "nothing selected".
    Put("Format", "4");
    Put("Ratio", "-1");
    Put("FormHeight", "4000");
    s = Loaded();
    EXPECT_EQ(s.Format, 4);
    EXPECT_EQ(s.Ratio, -1);
    EXPECT_EQ(s.FormHeight, 4000);
}

TEST_F(SettingsStoreTest, FitSizeIsOffUntilSetAndAnEmptiedFieldTurnsItOffAgain) {
    EXPECT_EQ(Loaded().FitSize, "");
    Put("FitSize", "9.5MB");
    Settings s = Loaded();
    EXPECT_EQ(s.FitSize, "9.5MB");
    // Unlike the other editable texts, an empty one is stored: it is "off".
    s.FitSize.clear();
    store.SaveSettings(s);
    EXPECT_EQ(Stored("FitSize"), "");
    EXPECT_EQ(Loaded().FitSize, "");
}

TEST_F(SettingsStoreTest, AllPicturesIsOffUnlessStoredOn) {
    EXPECT_EQ(Loaded().AllPictures, 0);
    Put("AllPictures", "1");
    EXPECT_EQ(Loaded().AllPictures, 1);
    Settings s;
    s.AllPictures = 0;
    store.SaveSettings(s);
    EXPECT_EQ(Stored("AllPictures"), "0");
}

TEST_F(SettingsStoreTest, EncodeIsAlwaysStoredAsMinusOne) {
    Settings s;
    s.Encode = 3;
    store.SaveSettings(s);
    EXPECT_EQ(Stored("Encode"), "-1");
}

TEST_F(SettingsStoreTest, DamagedRegistryFileLoadsDefaults) {
    WriteAll(dir / "HKEY_LOCAL_MACHINE.reg",
             "\x89PNG\r\n\x1a\n\0\0\0\rIHDR[HKEY_LOCAL_MACHINE\\SOFTWARE\\quillmax\\param]"
             "\n\"Ratio\"=\"3\n\"Format\"=\"9\"\n\"OLE"s);
    Settings s = Loaded();
    EXPECT_EQ(s.Ratio, 1);
    EXPECT_EQ(s.Format, 0);
    EXPECT_EQ(s.OLE, 1);
    EXPECT_EQ(s.FileSize, "50");
    store.SaveSettings(s); // and the exit writes a readable file again
    EXPECT_EQ(Stored("Ratio"), "1");
}

TEST_F(SettingsStoreTest, ClickHandlingRunsRightAfterEachCheckBoxIsSet) {
    Put("OLE", "0");
    Put("Movie", "1");
    Settings s;
    std::vector<std::string> seen;
    store.chkObject_Click = [&] { seen.push_back("OLE=" + std::to_string(s.OLE) +
                                                 " Movie=" + std::to_string(s.Movie)); };
    store.chkMovie_Click = [&] { seen.push_back("Movie=" + std::to_string(s.Movie)); };
    s.Movie = 5;
    store.LoadSettingsFirstStage(s);
    EXPECT_EQ(seen, (std::vector<std::string>{"OLE=0 Movie=5", "Movie=1"}));
}

TEST_F(SettingsStoreTest, StagesReadOnlyTheirOwnValues) {
    Put("MovieTarget", "2");
    Put("FormHeight", "7000");
    Put("Twice", "0");
    Settings s;
    store.LoadSettingsFirstStage(s);
    EXPECT_EQ(s.Twice, 0);
    EXPECT_EQ(s.FormHeight, 6000);
    EXPECT_EQ(s.MovieTarget, 0);
    store.LoadFormHeight(s);
    EXPECT_EQ(s.FormHeight, 7000);
    EXPECT_EQ(s.MovieTarget, 0);
    store.LoadSettingsSecondStage(s);
    EXPECT_EQ(s.MovieTarget, 2);
}

} // namespace
} // namespace quillmax::settings
