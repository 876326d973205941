// File: tests/settings/hostile_settings_test.cpp
// Settings files a user (or an attacker) can make: tens of thousands of
// values and keys, a conversion list of ten thousand entries, pipes in the
// files' places. Start and exit stay fast and never block.
#include "settings/startup.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <ctime>

#include "support/temp_folder.h"

namespace quillmax::settings {
namespace {

using test::ReadAll;
using test::TempFolder;
using test::WriteAll;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }
// Processor time, not wall time: the machine's disk may be slow to sync, but
// the work itself must stay linear (it was quadratic: a minute and more).
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(HostileSettings, TwentyThousandValuesAndTenThousandListEntriesStartAndExitInSeconds) {
    TempFolder dir;
    const std::string registry = dir / "registry";
    std::filesystem::create_directories(registry);
    std::string lm = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\quillmax\\param]\r\n";
    for (int i = 0; i < 20000; ++i) lm += "\"Noise" + std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\r\n";
    lm += "\"Ratio\"=\"2\"\r\n";
    WriteAll(registry + "/HKEY_LOCAL_MACHINE.reg", lm);
    std::string cr = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < 20000; ++i) {
        std::string key = "[HKEY_CLASSES_ROOT\\App" + std::to_string(i) + ".Doc";
        cr += key + "]\r\n@=\"x\"\r\n" + key + "\\Insertable]\r\n@=\"\"\r\n";
    }
    WriteAll(registry + "/HKEY_CLASSES_ROOT.reg", cr);
    std::string ini = "[name]\r\n";
    for (int i = 0; i < 10000; ++i) ini += std::to_string(i) + "=app" + std::to_string(i) + "\r\n";
    ini += "[value]\r\n";
    for (int i = 0; i < 10000; ++i) ini += std::to_string(i) + "=変換する\r\n";
    WriteAll(dir / "ole.ini", ini);

    const double cpu = CpuSeconds();
    {
        SettingsRuntime rt(dir.path().string(), registry);
        Startup(rt);
        EXPECT_EQ(rt.settings.Ratio, 2);
        // ten thousand from the file, ten thousand more installed servers
        EXPECT_EQ(rt.oleList.keys().size(), 20000u);
        EXPECT_EQ(rt.oleList.ObjToImage("app9999"), kConvert);
        EXPECT_EQ(rt.oleList.ObjToImage("app19999"), kDoNotConvert);
        rt.settings.Ratio = 3;
        Shutdown(rt);
    }
    EXPECT_LT(CpuSeconds() - cpu, 5.0);

    std::string after = ReadAll(registry + "/HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(Count(after, "\"Noise"), 20000u); // nothing of the user's lost
    EXPECT_NE(after.find("\"Ratio\"=\"3\""), std::string::npos);
    std::string list = ReadAll(dir / "ole.ini");
    EXPECT_EQ(Count(list, "=変換する"), 10000u);
    EXPECT_EQ(Count(list, "=変換しない"), 10000u);
}

TEST(HostileSettings, PipesInTheFilesPlacesDoNotBlock) {
    TempFolder dir;
    const std::string registry = dir / "registry";
    std::filesystem::create_directories(registry);
    ASSERT_EQ(::mkfifo((registry + "/HKEY_LOCAL_MACHINE.reg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((registry + "/HKEY_CLASSES_ROOT.reg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "ole.ini").c_str(), 0600), 0);
    auto start = Clock::now();
    SettingsRuntime rt(dir.path().string(), registry);
    Startup(rt);
    EXPECT_EQ(rt.settings.Ratio, 1); // the defaults
    EXPECT_EQ(rt.oleList.keys().size(), 13u);
    Shutdown(rt);
    EXPECT_LT(SecondsSince(start), 30.0); // a blocked read would never return
}

} // namespace
} // namespace quillmax::settings
