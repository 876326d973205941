// File: app/fit_pass.cpp
// A deck fitted under a size: the pass run at the levels the fit's search
// chooses, each on a fresh read-only copy of the input and saved to a
// temporary beside the output; only the result that is kept is put in
// place, and only its lines reach the log, followed by one line naming its
// level (or saying by how much even the smallest misses, and what is left).
#include <algorithm>
#include <map>
#include <utility>

#include "app/fit.h"
#include "app/presentation_pass.h"
#include "base/containment.h"
#include "engine/common.h"
#include "engine/reporting.h"
#include "util/file_system.h"
#include "util/scratch_files.h"

namespace quillmax::app {
namespace {

using engine::Files;
using engine::Need;
using office::step;

// The window while a level runs: its log lines are held until the level's
// result is known to be kept; everything else reaches the window at once.
class HeldLog : public engine::MainView {
public:
    explicit HeldLog(engine::MainView& view) : view_(view) {}
    void AppendLog(const std::string& text) override { held += text; }
    void ClearLog() override { view_.ClearLog(); }
    std::string LogText() override { return view_.LogText(); }
    void SetStatus(const std::string& text) override { view_.SetStatus(text); }
    std::string Status() override { return view_.Status(); }
    void SetStartEnabled(bool e) override { view_.SetStartEnabled(e); }
    void SetStopEnabled(bool e) override { view_.SetStopEnabled(e); }
    void ShowWarning(bool v) override { view_.ShowWarning(v); }
    std::string SourceText() override { return view_.SourceText(); }
    void SetSourceText(const std::string& t) override { view_.SetSourceText(t); }
    void HideDropHint() override { view_.HideDropHint(); }
    void SetCaption(const std::string& t) override { view_.SetCaption(t); }
    void MessageBox(const std::string& t, engine::Icon i) override { view_.MessageBox(t, i); }
    engine::Answer AskYesNoCancel(const std::string& t, engine::Icon i) override { return view_.AskYesNoCancel(t, i); }
    std::optional<std::string> InputBox(const std::string& p, const std::string& t, const std::string& v) override {
        return view_.InputBox(p, t, v);
    }
    void ShowProgress(const engine::BatchProgress& p) override { view_.ShowProgress(p); }
    void DoEvents() override { view_.DoEvents(); }
    void Beep() override { view_.Beep(); }

    std::string held;

private:
    engine::MainView& view_;
};

// What a level's run left behind until the search is done.
struct LevelRun {
    std::string temp; // its output, "" when it wrote nothing
    std::string log;  // its page and picture lines
    double movieBytesBefore = 0, movieBytesAfter = 0;
    bool notSmaller = false;
};

// How many levels of the ladder this program can make: the lower JPEG
// qualities need a program that lets them be set.
int LevelsAvailable(Session& s) {
    const bool quality = s.automation && office::step_value([&] {
        const bool set = s.automation->SystemClipboard().SetJpegQuality(50);
        s.automation->SystemClipboard().SetJpegQuality(0);
        return set;
    }, false);
    int count = 0;
    for (const FitLevel& level : FitLevels())
        if (level.jpegQuality == 0 || quality) ++count;
    return count;
}

void UseLevel(Session& s, int level) {
    const FitLevel& l = FitLevels()[static_cast<size_t>(level)];
    s.fitFactor = l.factor;
    s.fitJpegQuality = l.jpegQuality;
    if (s.automation) step([&] { s.automation->SystemClipboard().SetJpegQuality(l.jpegQuality); });
}

void EndLevels(Session& s) {
    s.fitFactor = 0;
    s.fitJpegQuality = 0;
    if (s.automation) step([&] { s.automation->SystemClipboard().SetJpegQuality(0); });
}

// A fresh read-only copy of the input for the next level (the one before
// holds that level's replacements).
bool Reopen(Session& s, const std::string& inputPath) {
    step([&] { Need(s.presSource, "Presentation").SetSaved(true); });
    step([&] { Need(s.presSource, "Presentation").Close(); });
    s.presSource.reset();
    step([&] { s.presSource = Need(s.appPPT, "Application").GetPresentations()->Open(inputPath, true); });
    if (!s.presSource) return false;
    step([&] { Need(s.presSource, "Presentation").Windows(1)->SetViewType(office::ppt::kViewNormal); });
    return true;
}

// "動画・音声 8.1MB、フォント 1.2MB": the heaviest kinds in the kept file.
std::string ContentLeft(Session& s, const std::string& path) {
    if (!s.contentBytes) return "";
    std::vector<std::pair<std::string, double>> kinds;
    step([&] { kinds = s.contentBytes(path); });
    std::stable_sort(kinds.begin(), kinds.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string text;
    int shown = 0;
    for (const auto& [label, bytes] : kinds) {
        if (bytes <= 0 || shown == 4) continue;
        text += (shown++ ? "、" : "") + label + " " + FormatFitSize(bytes);
    }
    return text;
}

std::string LevelLine(Session& s, const FitSearch& search, double target, double size,
                      const std::string& keptPath) {
    const int level = search.Chosen()->level;
    const std::string name = FitLevels()[static_cast<size_t>(level)].name;
    if (size <= target)
        return "\t目標ｻｲｽﾞ" + FormatFitSize(target) + "に収まる最高の画質「" + name + "」で圧縮しました。" + engine::kCrLf;
    const bool smallest = level == static_cast<int>(FitLevels().size()) - 1 || search.Next() == std::nullopt;
    std::string line = "\t目標ｻｲｽﾞ" + FormatFitSize(target) + "に収まりませんでした（" +
                       FormatFitSize(size - target) + "超過）。" + (smallest ? "最も小さくなる" : "") + "画質「" +
                       name + "」で圧縮しました。";
    const std::string left = ContentLeft(s, keptPath);
    if (!left.empty()) line += "残りの内訳：" + left;
    return line + engine::kCrLf;
}

} // namespace

bool CompressToFit(Session& s, const std::string& inputPath, double target, double inputSize,
                   const std::string& chosen, bool mayReplace, std::string& outputPath) {
    FitSearch search(target, inputSize, LevelsAvailable(s),
                     s.settings ? engine::ReadNumber(s.settings->ExpectRate) : std::nullopt);
    std::map<int, LevelRun> runs;
    auto dropAll = [&] {
        for (auto& [level, run] : runs) util::RemoveScratch(run.temp);
        runs.clear();
    };

    // Movies do not change with the level: the search runs without them and
    // the chosen level once more with them.
    const int movie = s.settings ? s.settings->Movie : 0;
    bool moviesPending = movie == 1;
    if (s.settings) s.settings->Movie = 0;

    engine::MainView* window = s.view;
    std::string failure;
    bool opened = true;
    bool first = true;
    const int slidesDoneBefore = s.progress.slidesDone; // each level walks the same slides
    auto runLevel = [&](int level) {
        if (!first && !(opened = Reopen(s, inputPath))) return false;
        first = false;
        s.progress.slidesDone = slidesDoneBefore;
        UseLevel(s, level);
        std::vector<engine::PictureSample> samples;
        HeldLog held(*window);
        s.view = &held;
        s.pictureSamples = &samples;
        WalkPresentation(s);
        s.view = window;
        s.pictureSamples = nullptr;
        if (s.stopRequested) return false;

        LevelRun run;
        double size = inputSize;
        if (s.shapeReplaced || s.movieBytesBefore > s.movieBytesAfter) {
            try {
                run.temp = SaveTemporary(s, chosen, inputSize, run.notSmaller);
                if (!run.temp.empty()) step([&] { size = Files(s).FileSize(run.temp); });
            } catch (const office::AutomationError& e) {
                failure = CannotSaveText(e);
                return false;
            }
        }
        run.log = std::move(held.held);
        run.movieBytesBefore = s.movieBytesBefore;
        run.movieBytesAfter = s.movieBytesAfter;
        if (auto old = runs.find(level); old != runs.end()) util::RemoveScratch(old->second.temp);
        runs[level] = std::move(run);
        search.Record({level, size, std::move(samples)});
        // Only the run that is the answer so far keeps its output.
        const int keep = search.Chosen()->level;
        for (auto it = runs.begin(); it != runs.end();) {
            if (it->first == keep) {
                ++it;
            } else {
                util::RemoveScratch(it->second.temp);
                it = runs.erase(it);
            }
        }
        return true;
    };

    bool going = true;
    while (going) {
        const std::optional<int> next = search.Next();
        if (!next) break;
        going = runLevel(*next);
    }
    if (going && moviesPending && search.Chosen()) {
        if (s.settings) s.settings->Movie = movie;
        moviesPending = false;
        // Its size replaces the one the search measured without movies.
        const int level = search.Chosen()->level;
        going = runLevel(level);
    }
    if (s.settings) s.settings->Movie = movie;
    EndLevels(s);

    PassOutcome o;
    o.inputSize = inputSize;
    if (!going || !search.Chosen()) {
        // Stopped, failed, or the input could not be opened again: nothing
        // of the runs is kept.
        dropAll();
        s.shapeReplaced = false;
        s.movieBytesBefore = s.movieBytesAfter = 0;
        if (!opened && failure.empty()) failure = "ﾌｧｲﾙを開けませんでした。";
        o.saveFailure = failure;
        outputPath.clear();
        CloseFile(s, o);
        return !s.stopRequested;
    }

    LevelRun& kept = runs[search.Chosen()->level];
    window->AppendLog(kept.log);
    s.movieBytesBefore = kept.movieBytesBefore;
    s.movieBytesAfter = kept.movieBytesAfter;
    o.notSmaller = kept.notSmaller;
    double size = inputSize;
    if (!kept.temp.empty()) step([&] { size = Files(s).FileSize(kept.temp); });
    const std::string levelLine = LevelLine(s, search, target, size, kept.temp.empty() ? inputPath : kept.temp);

    outputPath.clear();
    if (!kept.temp.empty()) {
        const std::string temp = std::exchange(kept.temp, "");
        try {
            Deliver(s, temp, chosen, mayReplace, o, outputPath);
        } catch (const office::AutomationError& e) {
            o.saveFailure = CannotSaveText(e);
        }
    }
    dropAll();
    window->AppendLog(levelLine);
    CloseFile(s, o);
    return !s.stopRequested;
}

} // namespace quillmax::app
