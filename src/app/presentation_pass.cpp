// File: app/presentation_pass.cpp
// One input presentation: opened read-only, named, every slide handed to
// the engine, written only when something was replaced (or embedded movies
// shrank), with its file-level log lines. Every call is step-contained, so
// the pass always returns to the batch.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/batch_run.h"
#include "app/fit.h"
#include "app/presentation_pass.h"
#include "app/office_apps.h"
#include "engine/common.h"
#include "engine/output_naming.h"
#include "engine/reporting.h"
#include "engine/unvisited_pictures.h"
#include "engine/walk.h"
#include "base/atomic_file.h"
#include "base/containment.h"
#include "base/errors.h"
#include "base/native_path.h"
#include "base/text.h"
#include "util/error_text.h"
#include "util/file_system.h"
#include "settings/settings_store.h"
#include "util/scratch_files.h"

namespace quillmax::app {
namespace {

namespace fs = std::filesystem;
using engine::Files;
using engine::Need;
using office::step;
using office::step_value;
using util::Native;

constexpr const char* kCrLf = "\r\n";
constexpr const char* kPptxNeeds2007 =
    "pptx形式の圧縮にはﾊﾟﾜｰﾎﾟｲﾝﾄ2007が必要です。圧縮を中止しました。";
constexpr const char* kCannotOpen = "ﾌｧｲﾙを開けませんでした。圧縮を中止しました。";
constexpr const char* kAbandoned = "圧縮を中止しました。";
constexpr const char* kInsufficient = "十分な圧縮効果が得られなかったため圧縮を中止しました。";
constexpr const char* kCannotSave = "保存できませんでした：";
constexpr const char* kCannotSaveScratch = "一時ファイルを保存できませんでした：";
constexpr const char* kProcessing = "処理中";

void Log(Session& s, const std::string& text) { s.view->AppendLog(text); }

void Closing(Session& s, const std::string& text) { Log(s, "▲" + text + kCrLf + kCrLf); }

// Last line of defence: an output never lands on an input of the batch.
bool IsAnInput(Session& s, const std::string& path) {
    std::error_code ec;
    for (const std::string& in : s.batchInputs) {
        if (fs::equivalent(Native(in), Native(path), ec) && !ec) return true;
        ec.clear();
    }
    return false;
}

// Why a save failed, in the user's words.
std::string Reason(const office::AutomationError& e) {
    return e.systemError() ? util::ErrorReasonText(e.systemError()) : "書き込みに失敗しました";
}

// The opened file's own count replaces the one taken before the batch.
void SlideCountKnown(Session& s, int slideCount) {
    const size_t index = static_cast<size_t>(std::max(0, s.progress.file - 1));
    if (index >= s.slidesOf.size()) return;
    s.progress.slidesTotal += slideCount - s.slidesOf[index];
    s.slidesOf[index] = slideCount;
    s.progress.slideCount = slideCount;
}

} // namespace

std::string SaveTemporary(Session& s, const std::string& outputPath, double inputSize, bool& notSmaller) {
    util::FileSystem& files = Files(s);
    // A dry run leaves the output's folder as it was.
    std::string folder = s.dryRunFolder.empty() ? files.GetParentFolderName(outputPath) : s.dryRunFolder;
    util::RemoveStaleScratch(folder.empty() ? "." : folder);
    std::string temp = (folder.empty() ? std::string() : folder + util::kPathSep) + "~" +
                       files.GetTempName() + "." + s.curExt;
    try {
        Need(s.presSource, "Presentation").SaveAs(temp);
        if (inputSize > 0 && files.FileSize(temp) >= inputSize) {
            util::RemoveScratch(temp);
            notSmaller = true;
            return "";
        }
        return temp;
    } catch (const office::AutomationError&) {
        util::RemoveScratch(temp);
        throw;
    }
}

std::string PutInPlace(Session& s, const std::string& temp, std::string outputPath, bool mayReplace) {
    util::FileSystem& files = Files(s);
    try {
        for (;;) {
            if (IsAnInput(s, outputPath))
                throw office::AutomationError("Presentation.SaveAs", "the output would replace an input", EEXIST);
            std::error_code ec;
            if (mayReplace) fs::rename(Native(temp), Native(outputPath), ec);
            else ec = util::RenameNoReplace(temp, outputPath);
            if (!ec) return outputPath;
            if (ec != std::errc::file_exists)
                throw office::AutomationError("Presentation.SaveAs", "cannot put " + outputPath + " in place", ec.value());
            if (s.settings && s.settings->SameFilename != 0) {
                mayReplace = true;
                continue;
            }
            const std::string dotExt = "." + s.curExt;
            std::string base = outputPath;
            if (base.size() >= dotExt.size() && base.compare(base.size() - dotExt.size(), dotExt.size(), dotExt) == 0)
                base.resize(base.size() - dotExt.size());
            outputPath = engine::ResolveOutputPath(s, base, s.curExt);
            if (outputPath.empty()) {
                util::RemoveScratch(temp);
                return "";
            }
            mayReplace = files.FileExists(outputPath); // a name the user chose knowingly
        }
    } catch (const office::AutomationError&) {
        util::RemoveScratch(temp);
        throw;
    }
}

void Deliver(Session& s, const std::string& temp, const std::string& chosen, bool mayReplace, PassOutcome& o,
             std::string& outputPath) {
    if (!s.dryRunFolder.empty()) {
        // A dry run only measures what a real one would have put in place.
        try {
            o.outputSize = Files(s).FileSize(temp);
        } catch (const office::AutomationError&) {
            util::RemoveScratch(temp);
            throw;
        }
        util::RemoveScratch(temp);
        return;
    }
    const std::string written = PutInPlace(s, temp, chosen, mayReplace);
    o.skipped = written.empty();
    if (o.skipped) return;
    outputPath = written;
    step([&] { o.outputSize = Files(s).FileSize(written); });
}

void WalkPresentation(Session& s) {
    s.shapeReplaced = false;
    s.movieBytesBefore = 0;
    s.movieBytesAfter = 0;

    const int slideCount = step_value([&] { return Need(s.presSource, "Presentation").GetSlides()->Count(); }, 0);
    SlideCountKnown(s, slideCount);
    for (int k = 1; k <= slideCount; ++k) {
        s.view->SetStatus(kProcessing);
        s.progress.slide = k;
        s.view->ShowProgress(s.progress);
        step([&] {
            const int now = Need(s.presSource, "Presentation").GetSlides()->Count();
            Log(s, "   ﾍﾟｰｼﾞ " + std::to_string(k) + "/" + std::to_string(now) + kCrLf);
        });
        step([&] { engine::CompressSlide(s, Need(s.presSource, "Presentation").GetSlides()->Item(k), nullptr, true); });
        step([&] { Need(s.presSource, "Presentation").SetSaved(true); });
        ++s.progress.slidesDone;
        if (s.stopRequested) {
            s.shapeReplaced = false;
            break;
        }
    }

    if (engine::AllPictures(s) && !s.stopRequested) engine::CompressUnvisitedPictures(s);

    step([&] {
        if (s.automation) s.automation->SystemClipboard().Clear();
    });
}

std::string CannotSaveText(const office::AutomationError& e) { return kCannotSave + Reason(e); }

std::optional<double> FitTarget(const Session& s) {
    if (!s.settings || settings::IsBlankText(s.settings->FitSize)) return std::nullopt;
    return ParseFitSize(s.settings->FitSize);
}

void CloseFile(Session& s, const PassOutcome& o) {
    std::string movieText;
    if (!o.notSmaller && s.movieBytesBefore > s.movieBytesAfter)
        movieText = "埋め込み動画を" + engine::FormatMB(s.movieBytesBefore) + "→" +
                    engine::FormatMB(s.movieBytesAfter) + " に圧縮しました。";
    std::string presentationText;
    if (o.outputSize != 0)
        presentationText = "ﾊﾟﾜｰﾎﾟｲﾝﾄを" + engine::FormatKB(o.inputSize) + "→" +
                           engine::FormatKB(o.outputSize) + " に圧縮しました。";

    if (!o.saveFailure.empty()) {
        ++s.filesFailed;
        Closing(s, o.saveFailure);
    } else if (o.skipped)
        Closing(s, kAbandoned);
    else if (!presentationText.empty() || !movieText.empty())
        Closing(s, presentationText + movieText);
    else if (s.stopRequested)
        Closing(s, kAbandoned);
    else
        Closing(s, kInsufficient);
}

bool CompressPresentation(Session& s, const std::string& inputPath, std::string& outputPath) {
    s.presSource.reset();
    Log(s, "▼" + inputPath + kCrLf);

    bool refused = step_value(
        [&] {
            return util::LowerAscii(util::Trim(Files(s).GetExtensionName(inputPath), " ")) == "pptx" &&
                   PowerPointVersion(s) < 12;
        },
        false);
    if (refused) {
        Closing(s, kPptxNeeds2007);
        return !s.stopRequested;
    }

    ++s.filesTried;
    step([&] { s.presSource = Need(s.appPPT, "Application").GetPresentations()->Open(inputPath, true); });
    if (s.presSource) ++s.filesOpened;
    if (!s.presSource) {
        // Nothing to name and nothing to walk: say so and go on.
        Closing(s, kCannotOpen);
        return !s.stopRequested;
    }
    step([&] { Need(s.presSource, "Presentation").Windows(1)->SetViewType(office::ppt::kViewNormal); });
    if (s.officeXPMode) SetSlideTab(s);

    double inputSize = 0;
    step([&] { inputSize = Files(s).FileSize(inputPath); });

    std::string base;
    bool named = step([&] {
        util::FileSystem& files = Files(s);
        // A bare file name lies in the current folder, not in the root.
        std::string folder = files.GetParentFolderName(inputPath);
        if (folder.empty()) folder = ".";
        base = engine::MakeOutputBase(s, folder, files.GetBaseName(inputPath), inputSize, "KB");
    });
    std::string chosen;
    if (named) step([&] { chosen = engine::ResolveOutputPath(s, base, s.curExt); });
    outputPath = chosen;
    if (chosen.empty()) {
        Closing(s, kAbandoned);
        return !s.stopRequested;
    }
    // A file there now was covered by the decision; one that appears later is not.
    const bool mayReplace = step_value([&] { return Files(s).FileExists(chosen); }, true);

    if (const std::optional<double> target = FitTarget(s); target && *target < inputSize)
        return CompressToFit(s, inputPath, *target, inputSize, chosen, mayReplace, outputPath);

    WalkPresentation(s);

    PassOutcome o;
    o.inputSize = inputSize;
    if (s.shapeReplaced || s.movieBytesBefore > s.movieBytesAfter) {
        try {
            if (const std::string temp = SaveTemporary(s, chosen, inputSize, o.notSmaller); !temp.empty())
                Deliver(s, temp, chosen, mayReplace, o, outputPath);
        } catch (const office::AutomationError& e) {
            o.saveFailure = CannotSaveText(e);
        }
    } else {
        step([&] { Need(s.presSource, "Presentation").SetSaved(true); });
        // Nothing could be measured: the deck was not judged, so it is not
        // reported as one that could not be made smaller.
        if (!s.scratchFailure.empty() && !s.stopRequested) o.saveFailure = kCannotSaveScratch + s.scratchFailure;
    }

    if (o.notSmaller) outputPath.clear(); // nothing of ours to give the input's dates
    if (const std::optional<double> target = FitTarget(s); target && !s.stopRequested) {
        const int ratio = s.settings->Ratio;
        const std::string name = ratio >= 0 && ratio < static_cast<int>(settings::kRatioItems.size())
                                     ? std::string(settings::kRatioItems[static_cast<size_t>(ratio)])
                                     : std::string();
        Log(s, "\t元のﾌｧｲﾙが目標ｻｲｽﾞ" + FormatFitSize(*target) + "以下のため、設定の画質「" + name +
                   "」のまま処理しました。" + kCrLf);
    }
    CloseFile(s, o);
    return !s.stopRequested;
}

} // namespace quillmax::app
