// File: tests/settings/startup_test.cpp
// The settings' start and exit as the front ends run them, on a first run
// and on the runs after it.
#include "settings/startup.h"

#include <gtest/gtest.h>

#include "platform/posix/desktop_folder.h"
#include "support/temp_folder.h"

namespace quillmax::settings {
namespace {

using test::ReadAll;
using test::TempFolder;

TEST(SettingsStartup, FirstRunLeavesAllNineteenValuesAndTheDefaultList) {
    TempFolder dir;
    const std::string registry = dir / "registry";
    {
        SettingsRuntime rt(dir.path(), registry);
        int movieClicks = 0;
        rt.store.chkMovie_Click = [&] { ++movieClicks; };
        Startup(rt);
        EXPECT_EQ(rt.settings.Movie, 0); // off by default
        EXPECT_EQ(movieClicks, 1);       // when loaded
        EXPECT_EQ(rt.oleList.keys().size(), 13u);
        Shutdown(rt);
    }
    std::string text = ReadAll(registry + "/HKEY_LOCAL_MACHINE.reg");
    int values = 0;
    for (size_t at = text.find("\r\n\""); at != std::string::npos; at = text.find("\r\n\"", at + 1))
        ++values;
    EXPECT_EQ(values, 21) << text; // nineteen, AllPictures and FitSize
    EXPECT_NE(text.find("\"Ratio\"=\"1\""), std::string::npos);
    EXPECT_NE(text.find("\"FileSize\"=\"50\""), std::string::npos);
    EXPECT_NE(text.find("\"Encode\"=\"-1\""), std::string::npos);
    EXPECT_NE(text.find("\"Movie\"=\"0\""), std::string::npos);
    EXPECT_NE(text.find("\"AllPictures\"=\"0\""), std::string::npos);
    std::string desktop = util::DesktopFolder();
    EXPECT_NE(text.find("\"PPTFolder\"=\"" + desktop + "\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"MovieFolder\"=\"" + desktop + "\""), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "ole.ini").rfind("[name]\r\n0=excel\r\n", 0), 0u);

    // The next run reads what the first one stored, Movie included.
    {
        SettingsRuntime rt(dir.path(), registry);
        rt.registry.WriteRegistryText(RegRoot::LocalMachine, kParamKey, "Movie", "1");
        rt.registry.WriteRegistryText(RegRoot::LocalMachine, kParamKey, "Ratio", "3");
        Startup(rt);
        EXPECT_EQ(rt.settings.Movie, 1);
        EXPECT_EQ(rt.settings.Ratio, 3);
        EXPECT_EQ(rt.oleList.keys().size(), 13u);
        rt.oleList.SetValueAt(0, kDoNotConvert);
        Shutdown(rt);
    }
    SettingsRuntime rt(dir.path(), registry);
    Startup(rt);
    EXPECT_EQ(rt.oleList.ObjToImage("excel"), kDoNotConvert);
    EXPECT_EQ(rt.settings.Ratio, 3);
}

} // namespace
} // namespace quillmax::settings
