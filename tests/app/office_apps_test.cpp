// File: tests/app/office_apps_test.cpp
// The environment check against versions and open documents, Office 2000
// mode, the slide-tab operation and the picture-compression switch.
#include "app/office_apps.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "support/fake_world.h"

namespace quillmax::test {
namespace {

using app::CheckEnvironment;

constexpr const char* kKey = "Software\\Microsoft\\Office\\12.0\\PowerPoint\\Options";
constexpr const char* kValue = "AutomaticPictureCompressionDefault";

TEST(CheckEnvironment, VersionSelectsTheModeAndQuitsPowerPoint) {
    struct Case {
        const char* version;
        bool xp;
        const char* caption;
    };
    for (const Case c : {Case{"9.0", false, "クイルマックス [Office 2000 ﾓｰﾄﾞ]"},
                         Case{"10.0", true, "クイルマックス [Office XP/2003/2007 ﾓｰﾄﾞ]"},
                         Case{"11.0", true, "クイルマックス [Office XP/2003/2007 ﾓｰﾄﾞ]"},
                         Case{"12.0", true, "クイルマックス [Office XP/2003/2007 ﾓｰﾄﾞ]"},
                         Case{"16.0", true, "クイルマックス [Office XP/2003/2007 ﾓｰﾄﾞ]"}}) {
        FakeWorld w;
        w.office.version = c.version;
        w.session.officeXPMode = !c.xp;
        EXPECT_TRUE(CheckEnvironment(w.session)) << c.version;
        EXPECT_EQ(w.session.officeXPMode, c.xp) << c.version;
        EXPECT_EQ(w.view.caption, c.caption);
        EXPECT_TRUE(w.office.current()->quit);
        EXPECT_FALSE(w.session.appPPT);
        EXPECT_FALSE(w.session.appEXCEL);
        // Excel is only tried (and quit again) in Office 2000 mode.
        EXPECT_EQ(w.office.excels.size(), c.xp ? 0u : 1u);
        if (!c.xp) {
            EXPECT_TRUE(w.office.excels[0]->quit);
        }
        EXPECT_TRUE(w.view.boxes.empty());
    }
}

TEST(CheckEnvironment, OpenPresentationKeepsPowerPointRunningUntilClosed) {
    FakeWorld w;
    w.office.runningWithPresentations = 1;
    EXPECT_FALSE(CheckEnvironment(w.session));
    ASSERT_TRUE(w.session.appPPT);
    EXPECT_FALSE(w.office.running->quit);
    EXPECT_TRUE(w.view.boxes.empty()); // the caller warns

    w.office.running->open.clear(); // the user closes the presentation
    EXPECT_TRUE(CheckEnvironment(w.session));
    EXPECT_TRUE(w.office.running->quit);
    EXPECT_FALSE(w.session.appPPT);
}

TEST(CheckEnvironment, Office2000ModeWithoutExcelShowsTwoBoxesThenTheCallerWarns) {
    FakeWorld w;
    w.office.version = "9.0";
    w.office.excelInstalled = false;
    EXPECT_FALSE(CheckEnvironment(w.session));
    EXPECT_EQ(w.view.boxTexts(),
              (std::vector<std::string>{"エクセルを起動できません。",
                                        "[Office 2000モード]での動作にはパワーポイントおよびエクセルが必要です。終了します。"}));
    EXPECT_EQ(w.view.boxes[0].icon, engine::Icon::Exclamation);
    EXPECT_EQ(w.view.boxes[1].icon, engine::Icon::Stop);
}

TEST(CheckEnvironment, Office2000ModeWithOpenWorkbookLeavesExcelRunning) {
    FakeWorld w;
    w.office.version = "9.0";
    w.office.excelWorkbooksOpen = 1;
    EXPECT_FALSE(CheckEnvironment(w.session));
    ASSERT_TRUE(w.session.appEXCEL);
    EXPECT_FALSE(w.office.excels[0]->quit);
    EXPECT_TRUE(w.view.boxes.empty());
}

TEST(CheckEnvironment, PowerPointThatCannotStartEndsTheProgram) {
    FakeWorld w;
    w.office.powerPointInstalled = false;
    EXPECT_THROW(CheckEnvironment(w.session), office::ProgramEnd);
    EXPECT_EQ(w.view.boxTexts(), (std::vector<std::string>{"パワーポイントを起動できません。",
                                                           "パワーポイントを起動できません。終了します。"}));

    FakeWorld broken; // no automation runtime at all: the unexpected failure
    broken.session.automation = nullptr;
    EXPECT_THROW(CheckEnvironment(broken.session), office::ProgramEnd);
    EXPECT_EQ(broken.view.boxTexts(), (std::vector<std::string>{
                                          "パワーポイントが見つからない、または、起動できません。終了します。"}));
}

TEST(CheckEnvironment, FailureBeforeQuitSkipsToTheModeTestWithTheOldMode) {
    FakeWorld w;
    w.office.FailOn("Application.Version");
    w.session.officeXPMode = true;
    EXPECT_TRUE(CheckEnvironment(w.session));
    EXPECT_TRUE(w.session.officeXPMode);
    EXPECT_EQ(w.view.caption, "クイルマックス");
    EXPECT_FALSE(w.office.current()->quit); // Quit was among the abandoned steps
    EXPECT_TRUE(w.office.excels.empty());
}

TEST(SetSlideTab, RunsTheControlOnlyOverTheOutlinePaneAndAlwaysDeletesIt) {
    for (int paneView : {6, 1}) {
        FakeWorld w;
        w.office.outlinePaneView = paneView;
        w.session.appPPT = w.office.CreatePowerPoint();
        w.session.presSource = w.office.MakePresentation("x.pptx");
        app::SetSlideTab(w.session);
        auto& controls = w.office.current()->standard->controls;
        ASSERT_EQ(controls.size(), 1u);
        EXPECT_EQ(controls[0]->executed, paneView == 6);
        EXPECT_TRUE(controls[0]->deleted);
        EXPECT_EQ(w.view.doEvents, 1);
    }
    FakeWorld none;
    none.office.hasCommandBars = false;
    none.session.appPPT = none.office.CreatePowerPoint();
    EXPECT_NO_THROW(app::SetSlideTab(none.session));
}

TEST(PictureCompressionSwitch, WritesZeroThenLeavesTheValueAbsent) {
    FakeWorld w;
    w.registry.WriteRegistryDword(settings::RegRoot::CurrentUser, kKey, kValue, 7);
    app::SwitchPictureCompressionOff(w.session);
    auto read = w.registry.ReadRegistryText(settings::RegRoot::CurrentUser, kKey, kValue);
    EXPECT_TRUE(read.found);
    EXPECT_EQ(read.text, "0");
    app::RestorePictureCompression(w.session);
    EXPECT_FALSE(w.registry.RegistryValueExists(settings::RegRoot::CurrentUser, kKey, kValue));
}

} // namespace
} // namespace quillmax::test
