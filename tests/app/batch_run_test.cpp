// File: tests/app/batch_run_test.cpp
// The batch run and the presentation pass on the fake object model: input
// parsing and validation, the command-line split, skipped entries, the stop,
// the missing output folder, the failure regime, open failures, the output
// kept safe, and file dates.
#include "app/batch_run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>

#include "engine/movie_encoder.h"
#include "support/fake_encoder.h"
#include "support/fake_world.h"
#include "support/run_program.h"
#include "support/temp_folder.h"
#include "util/file_times.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;
using app::btnStart_Click;

// A deck of `slides` slides with `shapes` plain rectangles each.
std::function<void(FakePresentation&)> Deck(int slides, int shapes = 1) {
    return [=](FakePresentation& p) {
        for (int i = 0; i < slides; ++i) {
            auto slide = p.AddSlide();
            for (int j = 0; j < shapes; ++j)
                slide->AddShape("Rectangle " + std::to_string(j + 1), office::ppt::kShapeAuto);
        }
    };
}

std::string Lines(const std::vector<std::string>& paths) {
    std::string t;
    for (auto& p : paths) t += p + "\r\n";
    return t;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(ParseSourceText, FollowsTheLineRules) {
    using app::ParseSourceText;
    EXPECT_EQ(ParseSourceText("  a b.pptx  \r\n\r\n  c.ppt"),
              (std::vector<std::string>{"a b.pptx", "c.ppt"}));
    // trailing blanks stay on a last line without CR; an LF inside an entry is kept
    EXPECT_EQ(ParseSourceText("x.pptx  "), (std::vector<std::string>{"x.pptx  "}));
    EXPECT_EQ(ParseSourceText("a\nb\r"), (std::vector<std::string>{"a\nb"}));
    EXPECT_TRUE(ParseSourceText("\r\n \r\n\n").empty());
    EXPECT_EQ(ParseSourceText("d.pptx\r\nd.pptx\r\n").size(), 2u); // duplicates stay
}

TEST(SplitCommandLine, BlanksTabsAndQuotes) {
    using app::SplitCommandLine;
    EXPECT_EQ(SplitCommandLine("  a.pptx\t\"C:\\my docs\\b.pptx\"  c"),
              (std::vector<std::string>{"a.pptx", "C:\\my docs\\b.pptx", "c"}));
    EXPECT_EQ(SplitCommandLine("x\"y z\"w"), (std::vector<std::string>{"xy zw"}));
    EXPECT_TRUE(SplitCommandLine(" \t ").empty());
    std::string many;
    for (int i = 0; i < 300; ++i) many += "f" + std::to_string(i) + " ";
    auto args = SplitCommandLine(many);
    ASSERT_EQ(args.size(), 256u);
    EXPECT_EQ(args.back(), "f255");
}

TEST(Validation, FirstBadEntryRefusesTheBatchAndChangesNothing) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(1));
    std::string b = w.AddDeck("b.PPTX", Deck(1));
    fs::create_directory(w.dir.path() / "folder");
    std::string pot = w.dir.touch("t.pot");
    struct Case {
        std::string text, box;
    };
    for (const Case& c :
         {Case{"   ", "パワーポイントファイルを指定してください"},
          Case{Lines({a, b, w.dir.file("folder"), pot, a}),
               "フォルダ名は指定できません：" + w.dir.file("folder")},
          Case{Lines({a, w.dir.file("gone.pptx")}), "入力ファイルが存在しません：" + w.dir.file("gone.pptx")},
          Case{Lines({b, pot}), "パワーポイントファイルではありません：" + pot}}) {
        w.view = RecorderView();
        w.view.status = "OK";
        w.view.source = c.text;
        btnStart_Click(w.session);
        EXPECT_EQ(w.view.boxTexts(), std::vector<std::string>{c.box});
        EXPECT_EQ(w.view.status, "OK");
        EXPECT_TRUE(w.view.log.empty());
        EXPECT_TRUE(w.view.startEnabled);
        EXPECT_TRUE(w.office.powerPoints.empty());
    }
}

TEST(BatchRun, LineBreaksOnlyRunTheCheckAndFinish) {
    FakeWorld w;
    w.view.source = "\r\n  \r\n";
    btnStart_Click(w.session);
    EXPECT_EQ(w.view.status, "圧縮完了");
    EXPECT_TRUE(w.view.boxes.empty());
    EXPECT_TRUE(w.view.warningShown);
    EXPECT_FALSE(w.view.warningVisible);
    EXPECT_EQ(w.view.beeps, 2);
}

TEST(BatchRun, TwoFilesLogTheirLinesInOrderAndWriteNothing) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(12));
    std::string b = w.AddDeck("b.pptx", Deck(0));
    w.view.source = Lines({a, b});
    btnStart_Click(w.session);
    EXPECT_EQ(w.view.status, "圧縮完了");
    const std::string none = "▲十分な圧縮効果が得られなかったため圧縮を中止しました。\r\n\r\n";
    std::string expected = "▼" + a + "\r\n";
    for (int k = 1; k <= 12; ++k) expected += "   ﾍﾟｰｼﾞ " + std::to_string(k) + "/12\r\n";
    expected += none + "▼" + b + "\r\n" + none;
    EXPECT_EQ(w.view.log, expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(w.dir.path()), fs::directory_iterator()), 2);
    EXPECT_TRUE(w.office.current()->quit);
    EXPECT_FALSE(w.session.appPPT);
    EXPECT_GE(w.office.clipboard->clears, 1);
}

TEST(BatchRun, PowerPointThatCannotStartSkipsOnlyThatEntry) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(1));
    std::string b = w.AddDeck("b.pptx", Deck(1));
    // create #1 is the environment check's, #2 the first entry's
    w.office.FailOn("Automation.CreatePowerPoint", 1, 1);
    w.view.source = Lines({a, b});
    btnStart_Click(w.session);
    EXPECT_EQ(w.view.boxTexts(), std::vector<std::string>{"パワーポイントを起動できません。"});
    EXPECT_EQ(Count(w.view.log, "▼"), 1);
    EXPECT_NE(w.view.log.find("▼" + b), std::string::npos);
    EXPECT_EQ(w.view.status, "圧縮完了");
}

TEST(BatchRun, StopTakesEffectAfterTheCurrentSlide) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(10, 2));
    std::string b = w.AddDeck("b.pptx", Deck(1));
    // pressed at the first yield within slide 2
    w.view.onDoEvents = [&](int) {
        if (w.view.log.find("ﾍﾟｰｼﾞ 2/10") != std::string::npos && !w.session.stopRequested)
            app::btnStop_Click(w.session);
    };
    w.view.source = Lines({a, b});
    btnStart_Click(w.session);
    EXPECT_NE(w.view.log.find("   ﾍﾟｰｼﾞ 2/10\r\n"), std::string::npos);
    EXPECT_EQ(w.view.log.find("   ﾍﾟｰｼﾞ 3/10"), std::string::npos);
    EXPECT_NE(w.view.log.find("▲圧縮を中止しました。\r\n\r\n"), std::string::npos);
    EXPECT_EQ(w.view.log.find("▼" + b), std::string::npos);
    EXPECT_EQ(w.view.status, "圧縮中断");
    EXPECT_NE(std::find(w.view.statuses.begin(), w.view.statuses.end(),
                        "停止処理中...しばらくお待ちください。"),
              w.view.statuses.end());
    EXPECT_FALSE(w.view.stopEnabled);
}

TEST(BatchRun, MissingOutputFolderInterruptsAtTheFirstEntry) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(1));
    w.settings.optPPTFolder = 1;
    w.settings.PPTFolder = w.dir.file("nowhere");
    w.view.source = Lines({a});
    btnStart_Click(w.session);
    EXPECT_EQ(w.view.boxTexts(), std::vector<std::string>{"ﾊﾟﾜｰﾎﾟｲﾝﾄﾌｧｲﾙの出力先ﾌｫﾙﾀﾞが存在しません"});
    EXPECT_TRUE(w.view.log.empty());
    EXPECT_EQ(w.view.status, "圧縮中断");
    EXPECT_TRUE(w.office.current()->quit);
}

TEST(BatchRun, FailedEnvironmentCheckRestoresTheButtons) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(1));
    w.office.runningWithPresentations = 2;
    w.view.source = Lines({a});
    btnStart_Click(w.session);
    EXPECT_EQ(w.view.status, "動作環境チェック中...失敗");
    EXPECT_EQ(w.view.boxTexts(),
              std::vector<std::string>{"圧縮処理はパワーポイントを全て終了させてから行ってください。"});
    EXPECT_TRUE(w.view.startEnabled);
    EXPECT_FALSE(w.view.stopEnabled);
    EXPECT_FALSE(w.view.warningShown);
}

TEST(BatchRun, Office2000ModeWithoutExcelGivesTheCallersWarningThird) {
    FakeWorld w;
    std::string a = w.AddDeck("a.ppt", Deck(1));
    w.office.version = "9.0";
    w.office.excelInstalled = false;
    w.view.source = Lines({a});
    btnStart_Click(w.session);
    ASSERT_EQ(w.view.boxes.size(), 3u);
    EXPECT_EQ(w.view.boxes[2].text, "圧縮処理はパワーポイントを全て終了させてから行ってください。");
}

TEST(BatchRun, Office2000ModeKeepsAScratchWorkbookForTheRun) {
    FakeWorld w;
    std::string a = w.AddDeck("a.ppt", Deck(1));
    w.office.version = "9.0";
    w.view.source = Lines({a});
    btnStart_Click(w.session);
    ASSERT_EQ(w.office.excels.size(), 2u); // the check's, then the run's
    auto& excel = w.office.excels[1];
    EXPECT_EQ(excel->windowState, office::xl::kWindowMinimized);
    ASSERT_EQ(excel->workbooks->open.size(), 1u);
    EXPECT_TRUE(excel->workbooks->open[0]->closed);
    EXPECT_TRUE(excel->quit);
    EXPECT_FALSE(w.session.sheetWork);
}

TEST(BatchRun, AFailureBeforeTheFirstPassEndsTheRunAsInterrupted) {
    {
        FakeWorld w; // while validating
        std::string a = w.AddDeck("a.pptx", Deck(1));
        w.view.source = Lines({a});
        w.session.fileSystem = nullptr;
        btnStart_Click(w.session);
        EXPECT_EQ(w.view.status, "圧縮中断");
    }
    {
        FakeWorld w; // the scratch workbook of Office 2000 mode
        std::string a = w.AddDeck("a.ppt", Deck(1));
        w.office.version = "9.0";
        w.office.FailOn("Workbooks.Add");
        w.view.source = Lines({a});
        btnStart_Click(w.session);
        EXPECT_EQ(w.view.status, "圧縮中断");
        EXPECT_TRUE(w.view.log.empty());
        EXPECT_TRUE(w.office.current()->quit);
        EXPECT_TRUE(w.view.startEnabled);
    }
}

TEST(BatchRun, ScratchFailuresLeaveTheEntryToThePass) {
    // The scratch save fails for the first entry (a format the program
    // cannot write), the scratch presentation for the second.
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(1));
    std::string b = w.AddDeck("b.pptx", Deck(1));
    w.view.source = Lines({a, b});
    w.office.FailOn("Presentation.SaveAs", 0, 1);
    w.office.FailOn("Presentations.Add", 1);
    btnStart_Click(w.session);
    EXPECT_EQ(Count(w.view.log, "▼"), 2);
    EXPECT_EQ(Count(w.view.log, "▲十分な圧縮効果"), 2);
    EXPECT_EQ(w.view.status, "圧縮完了");
}

TEST(PresentationPass, UnopenableFileIsReportedAndNeitherNamedNorWalked) {
    FakeWorld w;
    std::string bad = w.dir.touch("bad.pptx");
    w.office.decks[bad] = Deck(1);
    std::string good = w.AddDeck("good.pptx", Deck(1));
    w.dir.touch("bad【圧縮前1KB】.pptx"); // an existing output would ask
    w.office.FailOn("Presentations.Open", 0, 1);
    w.view.source = Lines({bad, good});
    btnStart_Click(w.session);
    EXPECT_EQ(w.view.log.substr(0, w.view.log.find("▼" + good)),
              "▼" + bad + "\r\n▲ﾌｧｲﾙを開けませんでした。圧縮を中止しました。\r\n\r\n");
    EXPECT_TRUE(w.view.questions.empty());
    EXPECT_NE(w.view.log.find("▼" + good), std::string::npos);
    EXPECT_EQ(w.view.status, "圧縮完了");
}

TEST(PresentationPass, PptxNeedsPowerPoint2007) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(3));
    std::string b = w.AddDeck("b.ppt", Deck(0));
    w.office.version = "11.0";
    w.view.source = Lines({a, b});
    btnStart_Click(w.session);
    EXPECT_EQ(w.view.log.substr(0, w.view.log.find("▼" + b)),
              "▼" + a + "\r\n▲pptx形式の圧縮にはﾊﾟﾜｰﾎﾟｲﾝﾄ2007が必要です。圧縮を中止しました。\r\n\r\n");
    EXPECT_EQ(w.office.CountCalls("Presentations.Open"), 1);
}

// A deck whose only shape the engine will replace: a heavy picture.
std::function<void(FakePresentation&)> PhotoDeck(bool failSave = false) {
    return [=](FakePresentation& p) {
        auto pic = p.AddSlide()->AddShape("Picture 1", office::ppt::kShapePicture, 400000);
        pic->raster = SolidRaster(8, 8, 0x336699);
        if (failSave) p.fails.FailOn("Presentation.SaveAs");
    };
}

TEST(PresentationPass, FailedSaveLeavesTheOldOutputAsItWas) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", PhotoDeck(true), 50000);
    std::ofstream(w.dir.file("a【圧縮前49KB】.pptx")) << "old output";
    w.settings.SameFilename = 1; // always overwrite
    w.view.source = Lines({a});
    btnStart_Click(w.session);
    if (!w.session.shapeReplaced) GTEST_SKIP() << "the engine kept the picture";
    EXPECT_EQ(ReadAll(w.dir.file("a【圧縮前49KB】.pptx")), "old output");
    for (auto& e : fs::directory_iterator(w.dir.path()))
        EXPECT_NE(e.path().filename().string()[0], '~') << e.path();
    EXPECT_EQ(w.view.log.find("ﾊﾟﾜｰﾎﾟｲﾝﾄを"), std::string::npos);
    // Said as it is, not as "could not be made smaller", and the run did not finish.
    EXPECT_NE(w.view.log.find("▲保存できませんでした：書き込みに失敗しました\r\n\r\n"), std::string::npos) << w.view.log;
    EXPECT_EQ(w.view.log.find("十分な圧縮効果"), std::string::npos);
    EXPECT_EQ(w.view.status, "圧縮中断");
}

TEST(PresentationPass, FullDiskIsNamedAsTheReasonAndTheNextFileStillRuns) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", [](FakePresentation& p) {
        PhotoDeck()(p);
        p.saveErrno = ENOSPC;
    }, 500000);
    std::string b = w.AddDeck("b.pptx", PhotoDeck(), 500000);
    w.view.source = Lines({a, b});
    btnStart_Click(w.session);
    if (!w.session.shapeReplaced) GTEST_SKIP() << "the engine kept the picture";
    EXPECT_NE(w.view.log.find("▲保存できませんでした：ディスクがいっぱいです\r\n\r\n▼" + b), std::string::npos)
        << w.view.log;
    EXPECT_NE(w.view.log.find("▲ﾊﾟﾜｰﾎﾟｲﾝﾄを488KB→"), std::string::npos); // b was written
    EXPECT_FALSE(fs::exists(w.dir.file("a【圧縮前488KB】.pptx")));
    EXPECT_EQ(w.view.status, "圧縮中断");
}

TEST(BatchRun, ABatchInWhichNoFileOpensDoesNotFinish) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(1));
    std::string b = w.AddDeck("b.pptx", Deck(1));
    w.office.FailOn("Presentations.Open");
    w.view.source = Lines({a, b});
    btnStart_Click(w.session);
    EXPECT_EQ(Count(w.view.log, "▲ﾌｧｲﾙを開けませんでした。"), 2);
    EXPECT_EQ(w.view.status, "圧縮中断");
}

TEST(PresentationPass, AnOutputThatAppearsAfterNamingIsNotReplacedUnasked) {
    // Another instance writes the same output name while this one works.
    struct Case {
        int sameFilename;
        std::deque<app::Answer> answers;
        bool replaced;
    };
    for (const Case& c : {Case{0, {}, false}, Case{0, {app::Answer::Yes}, true}, Case{1, {}, true}}) {
        FakeWorld w;
        std::string a = w.AddDeck("a.pptx", PhotoDeck(), 500000);
        const std::string out = w.dir.file("a【圧縮前488KB】.pptx");
        w.settings.SameFilename = c.sameFilename;
        w.view.answers = c.answers;
        w.view.onDoEvents = [&](int) { // once the slides are being walked, after naming
            if (w.view.log.find("ﾍﾟｰｼﾞ 1/1") != std::string::npos && !fs::exists(out))
                std::ofstream(out) << "the other instance's output";
        };
        w.view.source = Lines({a});
        btnStart_Click(w.session);
        if (!w.session.shapeReplaced) GTEST_SKIP() << "the engine kept the picture";
        SCOPED_TRACE(c.sameFilename);
        EXPECT_EQ(ReadAll(out) != "the other instance's output", c.replaced);
        EXPECT_EQ(w.view.questions.size(), c.sameFilename == 0 ? 1u : 0u);
        EXPECT_NE(w.view.log.find(c.replaced ? "▲ﾊﾟﾜｰﾎﾟｲﾝﾄを488KB→" : "▲圧縮を中止しました。"), std::string::npos)
            << w.view.log;
        for (auto& e : fs::directory_iterator(w.dir.path()))
            EXPECT_NE(e.path().filename().string()[0], '~') << e.path();
    }
}

TEST(PresentationPass, ReplacedShapeWritesTheOutputOverTheOldOne) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", PhotoDeck(), 500000);
    const std::string out = w.dir.file("a【圧縮前488KB】.pptx");
    std::ofstream(out) << "old output";
    w.settings.SameFilename = 1;
    w.view.source = Lines({a});
    btnStart_Click(w.session);
    if (!w.session.shapeReplaced) GTEST_SKIP() << "the engine kept the picture";
    EXPECT_NE(ReadAll(out), "old output");
    EXPECT_NE(w.view.log.find("▲ﾊﾟﾜｰﾎﾟｲﾝﾄを488KB→"), std::string::npos);
    EXPECT_EQ(ReadAll(a).size(), 500000u); // the input is untouched
}

TEST(PresentationPass, AnOutputNotSmallerThanItsInputIsDroppedAndAnOlderOneStays) {
    FakeWorld w;
    // The fake saves 20000 bytes plus its shapes: never below this input.
    std::string a = w.AddDeck("a.pptx", PhotoDeck(), 20000);
    w.settings.ShowFileSize = 0;
    w.settings.SameFilename = 1;
    const std::string out = w.dir.file("a【圧縮】.pptx");
    std::ofstream(out) << "old output";
    w.view.source = Lines({a});
    btnStart_Click(w.session);
    if (!w.session.shapeReplaced) GTEST_SKIP() << "the engine kept the picture";
    EXPECT_EQ(ReadAll(out), "old output");
    EXPECT_EQ(w.view.log.find("ﾊﾟﾜｰﾎﾟｲﾝﾄを"), std::string::npos) << w.view.log;
    EXPECT_NE(w.view.log.find("▲十分な圧縮効果が得られなかったため圧縮を中止しました。\r\n\r\n"),
              std::string::npos)
        << w.view.log;
    for (auto& e : fs::directory_iterator(w.dir.path()))
        EXPECT_NE(e.path().filename().string()[0], '~') << e.path();
}

TEST(PresentationPass, ADryRunOfAnOutputNotSmallerSaysWhatTheRealRunSays) {
    std::string logs[2];
    for (bool dry : {false, true}) {
        FakeWorld w;
        std::string a = w.AddDeck("a.pptx", PhotoDeck(), 20000); // never smaller: see above
        w.settings.ShowFileSize = 0;
        const std::string scratch = w.dir.file("dry");
        if (dry) {
            fs::create_directories(scratch);
            w.session.dryRunFolder = scratch;
        }
        w.view.source = Lines({a});
        btnStart_Click(w.session);
        if (!w.session.shapeReplaced) GTEST_SKIP() << "the engine kept the picture";
        EXPECT_FALSE(fs::exists(w.dir.file("a【圧縮】.pptx")));
        if (dry) {
            EXPECT_TRUE(fs::is_empty(scratch)); // measured, then gone
        }
        logs[dry] = w.view.log;
        for (size_t at; (at = logs[dry].find(a)) != std::string::npos;) logs[dry].replace(at, a.size(), "IN");
    }
    EXPECT_EQ(logs[1], logs[0]);
    EXPECT_NE(logs[1].find("▲十分な圧縮効果が得られなかったため圧縮を中止しました。"), std::string::npos) << logs[1];
}

TEST(PresentationPass, OnlyShrunkMoviesStillWriteTheOutputWithBothTexts) {
    FakeWorld w;
    FakeEncoder encoder{"wmv"};
    engine::MovieEncoding() = {};
    engine::MovieEncoding().encoder = &encoder;
    engine::MovieEncoding().recipes1 = {engine::Recipe{"halve"}};
    w.settings.Movie = 1;
    w.settings.Encode = 0;
    w.settings.MovieCond = 1;
    const std::string movie = w.dir.touch("clip.avi", 2 * 1048576);
    std::string a = w.AddDeck("a.pptx", [&](FakePresentation& p) {
        auto m = p.AddSlide()->AddShape("Media 1", office::ppt::kShapeMedia, 2 * 1048576);
        m->hasLinkFormat = true;
        m->sourceFullName = movie;
    }, 3 * 1048576);
    w.view.source = Lines({a});
    btnStart_Click(w.session);
    engine::MovieEncoding() = {};
    EXPECT_TRUE(fs::exists(w.dir.file("a【圧縮前3072KB】.pptx")));
    EXPECT_NE(w.view.log.find("\tclip.avi を圧縮 (2MB→1MB)  \r\n"), std::string::npos) << w.view.log;
    EXPECT_NE(w.view.log.find("▲ﾊﾟﾜｰﾎﾟｲﾝﾄを3072KB→"), std::string::npos);
    EXPECT_NE(w.view.log.find(" に圧縮しました。埋め込み動画を2MB→1MB に圧縮しました。\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(fs::file_size(a), 3u * 1048576); // the input is untouched
}

TEST(PresentationPass, BareFileNameIsNamedInTheCurrentFolder) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", PhotoDeck(), 500000);
    w.office.decks["a.pptx"] = PhotoDeck();
    const fs::path here = fs::current_path();
    fs::current_path(w.dir.path());
    w.view.source = "a.pptx\r\n";
    btnStart_Click(w.session);
    fs::current_path(here);
    if (!w.session.shapeReplaced) GTEST_SKIP() << "the engine kept the picture";
    EXPECT_TRUE(fs::exists(w.dir.file("a【圧縮前488KB】.pptx")));
    EXPECT_FALSE(fs::exists("/a【圧縮前488KB】.pptx"));
}

TEST(BatchRun, KeepFileDateCopiesTheInputTimesToANamedOutput) {
    FakeWorld w;
    std::string a = w.AddDeck("a.pptx", Deck(1), 50000);
    const std::string out = w.dir.file("a【圧縮前49KB】.pptx");
    std::ofstream(out) << "older output";
    // 2020-01-02 03:04:05.678 UTC
    const util::FileTime when = util::UnixToFileTime(1577934245, 678000000);
    util::FileHandle h = util::OpenForTimeUpdate(a);
    util::SetFileTime(h, nullptr, nullptr, &when);
    util::CloseHandle(h);
    w.settings.SameFilename = 1;
    w.settings.KeepFileDate = 1;
    w.view.source = Lines({a});
    btnStart_Click(w.session);
    // The pass named the output without writing it; its times follow anyway.
    auto dates = util::ReadFileDates(out);
    ASSERT_TRUE(dates);
    EXPECT_EQ(dates->lastModified.second, 5);
    EXPECT_EQ(dates->lastModified.millisecond, 0);
    EXPECT_EQ(fs::last_write_time(out), fs::last_write_time(a) - std::chrono::milliseconds(678));
}

} // namespace
} // namespace quillmax::test
