// File: tests/app/console_view_test.cpp
// The headless front end: what goes to stdout and stderr, questions with
// and without a terminal, the interrupt as stop button, and the program's
// exit status over the fake object model.
#include "app/console_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/entry.h"
#include "platform/posix/profile_store.h"
#include "platform/posix/registry_store.h"
#include "settings/startup.h"
#include "support/fake_world.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;

TEST(ConsoleView, LogGoesToStdoutAsWrittenAndBoxesToStderr) {
    std::ostringstream out, err;
    std::istringstream in;
    app::ConsoleView v(out, err, in, false);
    v.AppendLog("▼a.pptx\r\n");
    v.ClearLog(); // the window's box empties; what was printed stays printed
    v.AppendLog("   ﾍﾟｰｼﾞ 1/1\r\n");
    v.MessageBox("パワーポイントファイルを指定してください", engine::Icon::Exclamation);
    EXPECT_EQ(out.str(), "▼a.pptx\r\n   ﾍﾟｰｼﾞ 1/1\r\n");
    EXPECT_EQ(v.LogText(), "   ﾍﾟｰｼﾞ 1/1\r\n");
    EXPECT_EQ(err.str(), "[クイルマックス] パワーポイントファイルを指定してください\n");
}

TEST(ConsoleView, QuestionsWithoutATerminalAreCancelled) {
    std::ostringstream out, err;
    std::istringstream in("y\nanswer\n");
    app::ConsoleView v(out, err, in, false);
    EXPECT_EQ(v.AskYesNoCancel("同一出力ﾌｧｲﾙが存在します:x", engine::Icon::Exclamation), engine::Answer::Cancel);
    EXPECT_FALSE(v.InputBox("新しいパス名", "", "x-"));
    EXPECT_TRUE(out.str().empty());
}

TEST(ConsoleView, QuestionsOnATerminalReadTheAnswers) {
    std::ostringstream out, err;
    std::istringstream in("maybe\nn\n\n/tmp/other\ny\n");
    app::ConsoleView v(out, err, in, true);
    EXPECT_EQ(v.AskYesNoCancel("q", engine::Icon::Exclamation), engine::Answer::No); // "maybe" asks again
    EXPECT_EQ(v.InputBox("p", "", "base-"), std::optional<std::string>("base-"));
    EXPECT_EQ(v.InputBox("p", "", "base-"), std::optional<std::string>("/tmp/other"));
    EXPECT_EQ(v.AskYesNoCancel("q", engine::Icon::Exclamation), engine::Answer::Yes);
    EXPECT_EQ(v.AskYesNoCancel("q", engine::Icon::Exclamation), engine::Answer::Cancel); // end of input
    EXPECT_FALSE(v.InputBox("p", "", "base-"));
}

TEST(ConsoleView, InterruptPressesStopOnlyWhileItIsEnabled) {
    std::ostringstream out, err;
    std::istringstream in;
    app::ConsoleView v(out, err, in, false);
    int stops = 0;
    v.SetStopHandler([&] { ++stops; });
    app::ConsoleView::SimulateInterrupt();
    v.DoEvents();
    EXPECT_EQ(stops, 0);
    v.SetStopEnabled(true);
    v.DoEvents();
    v.DoEvents();
    EXPECT_EQ(stops, 1);
}

// The headless program's whole life over the fake object model.
class Headless : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& files) {
        rt = std::make_unique<settings::SettingsRuntime>(
            std::make_unique<util::RegistryStore>(w.registryDir.path().string()),
            std::make_unique<util::ProfileStore>(), [this] { return w.dir.file("ole.ini"); },
            [this] { return w.dir.path().string(); });
        rt->settings.Movie = 1;
        app::Session s;
        s.automation = &w.office;
        return app::RunHeadless(s, view, *rt, files);
    }
    bool SettingsSaved() const {
        return fs::exists(w.registryDir.path() / "HKEY_LOCAL_MACHINE.reg") && fs::exists(w.dir.file("ole.ini"));
    }

    FakeWorld w;
    std::ostringstream out, err;
    std::istringstream in;
    app::ConsoleView view{out, err, in, false};
    std::unique_ptr<settings::SettingsRuntime> rt;
};

TEST_F(Headless, FinishedRunExitsZeroAndSavesTheSettings) {
    std::string a = w.AddDeck("a.pptx", [](FakePresentation& p) { p.AddSlide(); });
    EXPECT_EQ(Run({a}), app::kExitFinished);
    EXPECT_EQ(out.str(), "▼" + a + "\r\n   ﾍﾟｰｼﾞ 1/1\r\n▲十分な圧縮効果が得られなかったため圧縮を中止しました。\r\n\r\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(view.Status(), "圧縮完了");
    EXPECT_EQ(rt->settings.Movie, 0); // cleared after every start
    EXPECT_TRUE(SettingsSaved());
}

TEST_F(Headless, RefusedRunsExitTwo) {
    EXPECT_EQ(Run({}), app::kExitRefused);
    EXPECT_EQ(err.str(), "[クイルマックス] パワーポイントファイルを指定してください\n");
    EXPECT_EQ(out.str(), "");

    err.str("");
    std::string a = w.AddDeck("a.pptx", [](FakePresentation& p) { p.AddSlide(); });
    w.office.runningWithPresentations = 1;
    EXPECT_EQ(Run({a}), app::kExitRefused);
    EXPECT_EQ(view.Status(), "動作環境チェック中...失敗");
    EXPECT_EQ(out.str(), "");
}

TEST_F(Headless, PowerPointThatCannotStartEndsWithoutSaving) {
    w.office.powerPointInstalled = false;
    std::string a = w.AddDeck("a.pptx", [](FakePresentation& p) { p.AddSlide(); });
    EXPECT_EQ(Run({a}), app::kExitRefused);
    EXPECT_NE(err.str().find("[クイルマックス] パワーポイントを起動できません。終了します。"), std::string::npos);
    EXPECT_FALSE(SettingsSaved());
}

TEST(Entry, ArgumentsBecomeLinesOfTheInputBox) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", [](FakePresentation& p) { p.AddSlide(); });
    std::string b = w.AddDeck("b.pptx", [](FakePresentation& p) { p.AddSlide(); });
    EXPECT_FALSE(app::StartWithArguments(w.session, {}));
    EXPECT_TRUE(w.view.dropHintVisible);
    EXPECT_TRUE(app::StartWithArguments(w.session, {a, b}));
    EXPECT_EQ(w.view.source, a + "\r\n" + b + "\r\n");
    EXPECT_FALSE(w.view.dropHintVisible);
    EXPECT_LT(w.view.log.find("▼" + a), w.view.log.find("▼" + b));
    EXPECT_EQ(app::LimitArguments(std::vector<std::string>(300, "x")).size(), 256u);
}

TEST(Entry, ArgumentsPastTheLimitAreNamedNotDroppedSilently) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", [](FakePresentation& p) { p.AddSlide(); });
    EXPECT_TRUE(app::StartWithArguments(w.session, std::vector<std::string>(300, a)));
    ASSERT_FALSE(w.view.boxes.empty());
    EXPECT_EQ(w.view.boxes.front().text, "指定されたファイルが多すぎます。先頭の256個を処理し、残りの44個は処理しません。");
    size_t lines = 0;
    for (size_t at = w.view.log.find("▼"); at != std::string::npos; at = w.view.log.find("▼", at + 1)) ++lines;
    EXPECT_EQ(lines, 256u);
}

} // namespace
} // namespace quillmax::test
