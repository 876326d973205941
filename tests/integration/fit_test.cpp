// File: tests/integration/fit_test.cpp
// Fitting under a size on real packages: photo decks made here and decks of
// the corpus, each level also run on its own through the start button, and
// the fit's result compared with what running them one by one gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/batch_run.h"
#include "app/fit.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/package_check.h"
#include "platform/pptx/pptx_automation.h"
#include "support/fake_world.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;

std::string Corpus(const std::string& name) {
    return std::string(QUILLMAX_SOURCE_DIR) + "/../shared/corpus/" + name;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class FitRun : public ::testing::Test {
protected:
    void SetUp() override {
        w.session.automation = automation.get();
        w.settings.SameFilename = 1; // each run writes the same output name
    }

    // The presentations of the folder that are not the input.
    std::set<std::string> Outputs() const {
        std::set<std::string> out;
        for (auto& e : fs::directory_iterator(w.dir.path()))
            if (e.path().string() != input) out.insert(e.path().filename().string());
        return out;
    }

    // One batch over the input; the output's size (0: none written), the
    // output removed again unless `keep`.
    double Run(bool keep = false) {
        w.view = RecorderView();
        w.view.source = input + "\r\n";
        app::btnStart_Click(w.session);
        EXPECT_EQ(w.view.status, "圧縮完了") << w.view.log;
        const std::set<std::string> outs = Outputs();
        EXPECT_LE(outs.size(), 1u); // one output per input, nothing left beside it
        if (outs.empty()) return 0;
        const fs::path out = w.dir.path() / *outs.begin();
        const double size = static_cast<double>(fs::file_size(out));
        EXPECT_TRUE(pptx::CheckPackageFile(out.string()).empty());
        if (!keep) fs::remove(out);
        return size;
    }

    // A level run on its own (its size, or the input's when it writes nothing).
    double RunLevel(int level) {
        const app::FitLevel& l = app::FitLevels()[static_cast<size_t>(level)];
        w.session.fitFactor = l.factor;
        w.session.fitJpegQuality = l.jpegQuality;
        automation->SystemClipboard().SetJpegQuality(l.jpegQuality);
        const double size = Run();
        w.session.fitFactor = 0;
        w.session.fitJpegQuality = 0;
        automation->SystemClipboard().SetJpegQuality(0);
        return size > 0 ? size : static_cast<double>(fs::file_size(input));
    }

    double RunFit(double target, bool keep = false) {
        w.settings.FitSize = std::to_string(static_cast<long long>(target)) + "B";
        const double size = Run(keep);
        w.settings.FitSize.clear();
        return size;
    }

    // Every level's size, then fits at limits between them, below the
    // smallest and above the input.
    void CheckAgainstEveryLevel() {
        const double inputSize = static_cast<double>(fs::file_size(input));
        const auto& levels = app::FitLevels();
        std::vector<double> sizes;
        for (size_t k = 0; k < levels.size(); ++k) sizes.push_back(RunLevel(static_cast<int>(k)));
        auto answer = [&](double target) {
            for (size_t k = 0; k < sizes.size(); ++k)
                if (sizes[k] <= target) return static_cast<int>(k);
            return static_cast<int>(sizes.size()) - 1;
        };

        // Limits between the smallest and the largest result.
        int tried = 0;
        for (size_t k = 1; k < sizes.size(); ++k) {
            if (!(sizes[k] < sizes[k - 1]) || sizes[k] >= inputSize) continue;
            const double target = (sizes[k] + sizes[k - 1]) / 2;
            const double got = RunFit(target);
            const int level = answer(target);
            EXPECT_LE(got, target) << "level " << k;
            EXPECT_EQ(got, sizes[static_cast<size_t>(level)]) << "level " << k << "\n" << w.view.log;
            EXPECT_EQ(Count(w.view.log, std::string("に収まる最高の画質「") + levels[level].name + "」"), 1)
                << w.view.log;
            EXPECT_EQ(Count(w.view.log, "▲ﾊﾟﾜｰﾎﾟｲﾝﾄを"), 1) << w.view.log;
            ++tried;
        }
        EXPECT_GT(tried, 0) << "no two levels differ";

        // Below the smallest: the smallest, and the miss line.
        const double smallest = sizes.back();
        const double got = RunFit(smallest * 0.9);
        EXPECT_EQ(got > 0 ? got : inputSize, smallest) << w.view.log;
        EXPECT_EQ(Count(w.view.log, "に収まりませんでした"), 1) << w.view.log;
        EXPECT_EQ(Count(w.view.log, std::string("「") + levels.back().name + "」"), 1) << w.view.log;

        // Above the input: what a normal run writes, nothing more.
        const double normal = Run(true);
        const std::set<std::string> normalOutputs = Outputs();
        for (auto& name : normalOutputs) fs::remove(w.dir.path() / name);
        EXPECT_EQ(RunFit(inputSize + 1, true), normal);
        EXPECT_EQ(Outputs(), normalOutputs);
        EXPECT_EQ(Count(w.view.log, "以下のため、設定の画質「ｻｲｽﾞ優先」のまま処理しました。"), 1) << w.view.log;
        for (auto& name : Outputs()) fs::remove(w.dir.path() / name);
    }

    FakeWorld w;
    std::unique_ptr<office::Automation> automation = pptx::CreateAutomation();
    std::string input;
};

TEST_F(FitRun, PhotoDeckFitsAtTheBestLevelThatRunningEachLevelFinds) {
    namespace deck = pptx::deck;
    deck::Deck d;
    for (int s = 0; s < 3; ++s) {
        deck::Slide slide;
        for (int p = 0; p < 2; ++p)
            slide.shapes.push_back(deck::Picture({deck::MakePhotoJpeg(1400, 1050, 10 * s + p + 1, 95), "jpeg"},
                                                 {40.0 + 330 * p, 100, 300, 225}));
        d.slides.push_back(slide);
    }
    input = w.dir.file("photos.pptx");
    deck::Write(d, input);
    CheckAgainstEveryLevel();
}

TEST_F(FitRun, CorpusDecksFitAtTheBestLevelThatRunningEachLevelFinds) {
    const std::vector<std::string> decks{"ooxml_parser/condition_no_event.pptx",
                                         "poi/at.pzp.www_uploads_media_PP_Scheinecker-jdk6error.pptx"};
    if (!fs::exists(Corpus(decks[0]))) GTEST_SKIP() << "corpus not found (../shared/corpus)";
    for (const std::string& name : decks) {
        SCOPED_TRACE(name);
        input = w.dir.file(fs::path(name).filename().string());
        fs::copy_file(Corpus(name), input);
        CheckAgainstEveryLevel();
        fs::remove(input);
    }
}

TEST_F(FitRun, AMovieDeckMissesAndNamesWhatIsLeft) {
    const std::string name = "ooxml_parser/transition_direction_nil_2.pptx";
    if (!fs::exists(Corpus(name))) GTEST_SKIP() << "corpus not found (../shared/corpus)";
    input = w.dir.file("movie.pptx");
    fs::copy_file(Corpus(name), input);
    const double inputSize = static_cast<double>(fs::file_size(input));
    w.session.contentBytes = [](const std::string& path) {
        return std::vector<std::pair<std::string, double>>{{"動画・音声", 3.0 * 1048576}, {"画像", 1024}};
    };
    const double got = RunFit(inputSize / 2);
    EXPECT_LT(got, inputSize);
    EXPECT_EQ(Count(w.view.log, "に収まりませんでした"), 1) << w.view.log;
    EXPECT_EQ(Count(w.view.log, "残りの内訳：動画・音声 3MB、画像 1KB"), 1) << w.view.log;
}

TEST_F(FitRun, AMalformedSizeRefusesTheBatch) {
    input = w.dir.touch("any.pptx", 1000);
    w.settings.FitSize = "10XB";
    w.view.source = input + "\r\n";
    app::btnStart_Click(w.session);
    ASSERT_EQ(w.view.boxes.size(), 1u);
    EXPECT_EQ(w.view.boxes[0].text, app::FitSizeError("10XB"));
    EXPECT_TRUE(w.view.log.empty());
    EXPECT_TRUE(Outputs().empty());
}

} // namespace
} // namespace quillmax::test
