// File: tests/app/progress_test.cpp
// The batch's progress: slides done of all slides of the batch, with the
// counts known beforehand corrected when a file opens, and files that are
// skipped still moving the count; the console's one-line form on stderr.
#include <gtest/gtest.h>

#include <sstream>

#include "app/batch_run.h"
#include "app/console_view.h"
#include "support/fake_office.h"
#include "support/fake_world.h"

namespace quillmax::test {
namespace {

std::function<void(FakePresentation&)> Slides(int n) {
    return [=](FakePresentation& p) {
        for (int i = 0; i < n; ++i) p.AddSlide()->AddShape("Rectangle 1", office::ppt::kShapeAuto);
    };
}

TEST(BatchProgress, SlidesDoneOfTheBatchReachTheTotal) {
    FakeWorld w;
    const std::string a = w.AddDeck("a.pptx", Slides(3));
    const std::string b = w.AddDeck("b.pptx", Slides(2));
    const std::string c = w.AddDeck("c.pptx", Slides(0));
    // The guesses for b and c are wrong until they are opened.
    w.session.countSlides = [&](const std::string& path) { return path == a ? 3 : path == b ? 5 : 4; };
    w.view.source = a + "\r\n" + b + "\r\n" + c + "\r\n";
    app::btnStart_Click(w.session);

    const auto& p = w.view.progress;
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.front().slidesTotal, 12);
    EXPECT_EQ(p.front().slidesDone, 0);
    EXPECT_EQ(p.front().fileCount, 3);
    EXPECT_TRUE(p.back().finished);
    EXPECT_EQ(p.back().slidesTotal, 5);
    EXPECT_EQ(p.back().slidesDone, 5);
    int lastDone = 0;
    bool sawB2 = false;
    for (const engine::BatchProgress& q : p) {
        EXPECT_GE(q.slidesDone, lastDone);
        EXPECT_LE(q.slidesDone, q.slidesTotal);
        lastDone = q.slidesDone;
        if (q.fileName == b && q.slide == 2 && !sawB2) {
            sawB2 = true;
            EXPECT_EQ(q.file, 2);
            EXPECT_EQ(q.slideCount, 2);
            EXPECT_EQ(q.slidesDone, 4);
            EXPECT_EQ(q.slidesTotal, 9); // 3 + 2 + the guess for c
        }
    }
    EXPECT_TRUE(sawB2);
    // The log is the same as without progress.
    EXPECT_EQ(w.view.log.find("ﾌｧｲﾙ "), std::string::npos);
}

TEST(BatchProgress, ConsoleLineGoesToStderrOnlyWhenEnabled) {
    engine::BatchProgress p;
    p.file = 2;
    p.fileCount = 3;
    p.fileName = "/資料/企画書.pptx";
    p.slide = 4;
    p.slideCount = 10;
    p.slidesDone = 13;
    p.slidesTotal = 26;
    EXPECT_EQ(app::ConsoleView::ProgressLine(p, 200),
              "ﾌｧｲﾙ 2/3  ﾍﾟｰｼﾞ 4/10  [##########..........] 13/26  企画書.pptx");
    // Wide characters count two columns; the line stays one short of the edge.
    EXPECT_EQ(app::ConsoleView::ProgressLine(p, 58),
              "ﾌｧｲﾙ 2/3  ﾍﾟｰｼﾞ 4/10  [##########..........] 13/26  企画");

    std::istringstream in;
    std::ostringstream out, err;
    app::ConsoleView quiet(out, err, in, false);
    quiet.ShowProgress(p);
    quiet.AppendLog("▼a\r\n");
    EXPECT_EQ(out.str(), "▼a\r\n");
    EXPECT_EQ(err.str(), ""); // stderr not a terminal: nothing

    std::ostringstream out2, err2;
    app::ConsoleView tty(out2, err2, in, false);
    tty.EnableProgressLine(80);
    tty.ShowProgress(p);
    tty.AppendLog("▼a\r\n");
    p.finished = true;
    tty.ShowProgress(p);
    tty.AppendLog("after\r\n");
    EXPECT_EQ(out2.str(), "▼a\r\nafter\r\n"); // stdout stays exact
    const std::string line = app::ConsoleView::ProgressLine({2, 3, "/資料/企画書.pptx", 4, 10, 13, 26, false}, 80);
    // Drawn, erased around the log line, redrawn, erased at the end, and
    // not drawn again after the batch.
    EXPECT_EQ(err2.str(), "\r" + line + "\x1b[K" + "\r\x1b[K" + "\r" + line + "\x1b[K" + "\r\x1b[K");
}

} // namespace
} // namespace quillmax::test
