// File: tests/engine/output_naming_test.cpp
#include "engine/output_naming.h"

#include <gtest/gtest.h>

#include "support/fake_world.h"
#include "util/file_system.h"

namespace quillmax::engine {
namespace {

using engine::Answer;

const std::string kSep(1, util::kPathSep);

TEST(AddPathSep, NormalisesTheForeignSeparatorAndEndsWithOne) {
    std::string foreign(1, util::kForeignSep);
    EXPECT_EQ(AddPathSep("C:" + foreign + "out"), "C:" + kSep + "out" + kSep);
    EXPECT_EQ(AddPathSep("out" + kSep), "out" + kSep);
    EXPECT_EQ(AddPathSep("a" + foreign + "b" + foreign), "a" + kSep + "b" + kSep);
}

class NamingTest : public ::testing::Test {
protected:
    test::FakeWorld w;
    app::Session& s() { return w.session; }
};

TEST_F(NamingTest, OutputBaseByFolderOptionAndLabel) {
    w.settings.optPPTFolder = 0;
    w.settings.ShowFileSize = 1;
    EXPECT_EQ(MakeOutputBase(s(), "/docs", "Plan", 2359296, "KB"), "/docs/Plan【圧縮前2304KB】");
    EXPECT_EQ(MakeOutputBase(s(), "/docs", "Plan", 700, "KB"), "/docs/Plan【圧縮前0.7KB】");
    EXPECT_EQ(MakeOutputBase(s(), "/docs", "Clip", 524288, "MB"), "/docs/Clip【圧縮前0.5MB】");
    EXPECT_EQ(MakeOutputBase(s(), "/docs", "Plan", 700, "GB"), "/docs/Plan【圧縮前】");

    w.settings.ShowFileSize = 0;
    w.settings.optPPTFolder = 1;
    w.settings.PPTFolder = "/out";
    EXPECT_EQ(MakeOutputBase(s(), "/docs", "Plan", 700, "KB"), "/out/Plan【圧縮】");
}

TEST_F(NamingTest, FreeOrAlwaysOverwrittenCandidateIsUsedWithoutAsking) {
    std::string base = w.dir.file("Plan【圧縮】");
    EXPECT_EQ(ResolveOutputPath(s(), base, "pptx"), base + ".pptx");

    w.dir.touch("Plan【圧縮】.pptx");
    w.settings.SameFilename = 1;
    EXPECT_EQ(ResolveOutputPath(s(), base, "pptx"), base + ".pptx");
    EXPECT_TRUE(w.view.questions.empty());
}

TEST_F(NamingTest, ExistingOutputAsksYesNoCancel) {
    std::string base = w.dir.file("Plan【圧縮】");
    w.dir.touch("Plan【圧縮】.pptx");
    auto ppt = w.office.CreatePowerPoint();
    s().appPPT = ppt;

    w.view.answers = {Answer::Yes};
    EXPECT_EQ(ResolveOutputPath(s(), base, "pptx"), base + ".pptx");
    ASSERT_EQ(w.view.questions.size(), 1u);
    EXPECT_EQ(w.view.questions[0], "同一出力ﾌｧｲﾙが存在します:" + base +
                                       ".pptx\r\n\r\n上書きしますか？   ( はい→上書き、いいえ→別名で保存、キャンセル→圧縮しない )");
    EXPECT_EQ(ppt->WindowState(), office::ppt::kWindowMinimized);

    w.view.answers = {Answer::Cancel};
    EXPECT_EQ(ResolveOutputPath(s(), base, "pptx"), "");
}

TEST_F(NamingTest, NoWithEmptyAnswerAsksAgainThenTakesTheTypedPath) {
    std::string base = w.dir.file("Plan【圧縮】");
    w.dir.touch("Plan【圧縮】.pptx");
    std::string typed = w.dir.file("Plan2");
    w.dir.touch("Plan2.pptx"); // an existing file is not asked about again

    w.view.answers = {Answer::No, Answer::No};
    w.view.inputs = {std::string(), typed};
    EXPECT_EQ(ResolveOutputPath(s(), base, "pptx"), typed + ".pptx");
    EXPECT_EQ(w.view.questions.size(), 2u);
    EXPECT_EQ(w.view.questions[0], w.view.questions[1]);
    ASSERT_EQ(w.view.inputPresets.size(), 2u);
    EXPECT_EQ(w.view.inputPresets[0], base + "-");
    EXPECT_EQ(w.view.inputPrompts[0], "新しいパス名(拡張子を除く)を入力してください");

    // A cancelled input box counts as empty; then Cancel ends it.
    w.view.answers = {Answer::No, Answer::Cancel};
    w.view.inputs = {std::nullopt};
    EXPECT_EQ(ResolveOutputPath(s(), base, "pptx"), "");
}

TEST_F(NamingTest, NeverHandsOutAnInputOfTheBatch) {
    std::string input = w.dir.touch("Plan.pptx");
    std::string other = w.dir.touch("Plan【圧縮】.pptx");
    s().batchInputs = {input, other};
    std::string base = w.dir.file("Plan【圧縮】");

    // Even "always overwrite" asks, and Yes is no answer for an input.
    w.settings.SameFilename = 1;
    w.view.answers = {Answer::Yes, Answer::No, Answer::No};
    w.view.inputs = {w.dir.file("Plan"), w.dir.file("new")};
    EXPECT_EQ(ResolveOutputPath(s(), base, "pptx"), w.dir.file("new") + ".pptx");
    EXPECT_EQ(w.view.questions.size(), 3u);

    // Nobody answering (headless without terminal) skips the file.
    w.view.answers.clear();
    EXPECT_EQ(ResolveOutputPath(s(), base, "pptx"), "");
}

} // namespace
} // namespace quillmax::engine
