// File: app/batch_run.cpp
// What the start and stop buttons do: the input text turned into a list of
// files, the list validated, the Office applications prepared, one
// presentation pass per file with the scratch objects around it, and the
// final steps. Also the command-line split of the entry procedure.
#include "app/batch_run.h"

#include <algorithm>
#include <string>

#include "app/fit.h"
#include "app/office_apps.h"
#include "app/parallel_batch.h"
#include "engine/common.h"
#include "base/containment.h"
#include "base/errors.h"
#include "settings/settings_store.h"
#include "util/file_system.h"
#include "util/error_text.h"
#include "util/file_times.h"
#include "base/text.h"
#include "util/scratch_files.h"

namespace quillmax::app {
namespace {

using engine::Files;
using engine::Need;
using office::step;

constexpr const char* kNoFiles = "パワーポイントファイルを指定してください";
constexpr const char* kIsFolder = "フォルダ名は指定できません：";
constexpr const char* kNoSuchFile = "入力ファイルが存在しません：";
constexpr const char* kNotPowerPoint = "パワーポイントファイルではありません：";
// A pipe, device or socket under a deck's name would block the reader.
constexpr const char* kNotRegularFile = "通常のファイルではありません：";
constexpr const char* kQuitPowerPointFirst = "圧縮処理はパワーポイントを全て終了させてから行ってください。";
constexpr const char* kNoOutputFolder = "ﾊﾟﾜｰﾎﾟｲﾝﾄﾌｧｲﾙの出力先ﾌｫﾙﾀﾞが存在しません";

constexpr const char* kStatusChecking = "動作環境チェック中...";
constexpr const char* kStatusCheckFailed = "動作環境チェック中...失敗";
constexpr const char* kStatusCheckOk = "動作環境チェック中...OK";
constexpr const char* kStatusFinished = "圧縮完了";
constexpr const char* kStatusInterrupted = "圧縮中断";
constexpr const char* kStatusStopping = "停止処理中...しばらくお待ちください。";

constexpr size_t kMaxArguments = 256;

void Warn(Session& s, const std::string& text) { s.view->MessageBox(text, Icon::Exclamation); }

// The first entry that may not be compressed refuses the whole batch.
// Returns false after its warning.
bool ValidateEntries(Session& s, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        if (Files(s).FolderExists(entry)) {
            Warn(s, kIsFolder + entry);
            return false;
        }
        if (!Files(s).FileExists(entry)) {
            Warn(s, kNoSuchFile + entry);
            return false;
        }
        if (!Files(s).IsRegularFile(entry)) {
            Warn(s, kNotRegularFile + entry);
            return false;
        }
        const std::string ext = util::LowerAscii(Files(s).GetExtensionName(entry));
        if (ext != "ppt" && ext != "pptx") {
            Warn(s, kNotPowerPoint + entry);
            return false;
        }
    }
    return true;
}

void ClearClipboard(Session& s) {
    if (s.automation) s.automation->SystemClipboard().Clear();
}

// Every failing call here is skipped.
void FinalSteps(Session& s, bool result) {
    step([&] { ClearClipboard(s); });
    if (!s.officeXPMode) {
        step([&] { Need(s.bookWork, "Workbook").SetSaved(true); });
        step([&] { Need(s.bookWork, "Workbook").Close(); });
        step([&] { Need(s.appEXCEL, "ExcelApplication").Quit(); });
        s.sheetWork.reset();
        s.bookWork.reset();
        s.appEXCEL.reset();
    }
    step([&] { Need(s.appPPT, "Application").Quit(); });
    s.appPPT.reset();
    s.view->ShowWarning(false);
    s.view->Beep();
    s.view->SetStartEnabled(true);
    s.view->SetStopEnabled(false);
    s.view->SetStatus(result ? kStatusFinished : kStatusInterrupted);
    s.view->Beep();
    s.progress.finished = true;
    s.view->ShowProgress(s.progress);
}

std::string ScratchPath(Session& s) {
    util::FileSystem& files = Files(s);
    // The temporary name keeps its own extension: a double extension.
    return files.GetSpecialFolder(2) + util::kPathSep + files.GetTempName() + "." + s.curExt;
}

// The batch's slide total, from the counts known before any file is opened.
void BeginBatchProgress(Session& s) {
    s.progress = BatchProgress{};
    s.progress.fileCount = static_cast<int>(s.fileList.size());
    s.slidesOf.assign(s.fileList.size(), 0);
    for (size_t i = 0; i < s.fileList.size(); ++i) {
        if (s.countSlides) step([&] { s.slidesOf[i] = std::max(0, s.countSlides(s.fileList[i])); });
        s.progress.slidesTotal += s.slidesOf[i];
    }
    s.view->ShowProgress(s.progress);
}

void BeginFileProgress(Session& s, size_t index) {
    s.progress.file = static_cast<int>(index) + 1;
    s.progress.fileName = s.fileList[index];
    s.progress.slide = 0;
    s.progress.slideCount = s.slidesOf[index];
    s.view->ShowProgress(s.progress);
}

// A file skipped, refused or stopped still moves the bar past its slides.
void EndFileProgress(Session& s, size_t index) {
    int done = 0;
    for (size_t i = 0; i <= index; ++i) done += s.slidesOf[i];
    s.progress.slidesDone = std::max(s.progress.slidesDone, done);
    s.view->ShowProgress(s.progress);
}

// What became of the run's file loop.
enum class LoopEnd { Done, MissingFolder };

// The run's file loop: one entry after another, or several at once where
// the session allows it.
LoopEnd RunFiles(Session& s, bool& result) {
    const std::vector<std::string> entries = s.fileList; // the count is taken once
    if (RunsInParallel(s, entries)) {
        // The folder is the same for every entry: a missing one ends the
        // batch before anything runs, as at the first entry of a sequence.
        if (s.settings->optPPTFolder == 1 && !Files(s).FolderExists(s.settings->PPTFolder)) {
            if (!EnsurePowerPoint(s)) return LoopEnd::Done;
            Warn(s, kNoOutputFolder);
            result = false;
            return LoopEnd::MissingFolder;
        }
        result = RunFilesInParallel(s, entries);
        return LoopEnd::Done;
    }
    bool contained = false;
    for (size_t index = 0; index < entries.size(); ++index) {
        BeginFileProgress(s, index);
        const EntryEnd end = CompressEntry(s, entries[index], contained, result);
        if (end == EntryEnd::MissingFolder) return LoopEnd::MissingFolder;
        if (end != EntryEnd::Ran) continue;
        EndFileProgress(s, index);
        if (!result) break;
    }
    return LoopEnd::Done;
}

} // namespace

EntryEnd CompressEntry(Session& s, const std::string& entry, bool& contained, bool& result) {
    auto call = [&](auto&& f) {
        if (contained)
            step(f);
        else
            f();
    };

    bool up = false;
    call([&] { up = EnsurePowerPoint(s); });
    if (!up) return EntryEnd::Skipped;

    call([&] { s.curExt = util::LowerAscii(Files(s).GetExtensionName(entry)); });

    bool folderMissing = false;
    call([&] {
        folderMissing = s.settings->optPPTFolder == 1 && !Files(s).FolderExists(s.settings->PPTFolder);
    });
    if (folderMissing) {
        Warn(s, kNoOutputFolder);
        result = false;
        return EntryEnd::MissingFolder;
    }

    // The scratch objects are step-contained for every entry: without
    // them the pass still runs (the engine then keeps what it cannot
    // measure), and an entry whose format the program cannot write as a
    // scratch file still gets its own line instead of ending the batch.
    step([&] {
        if (PowerPointVersion(s) == 12) SwitchPictureCompressionOff(s);
    });
    s.presMeasure.reset();
    s.scratchPath1.clear();
    s.scratchPath2.clear();
    s.emptyPresSize = 0;
    step([&] { s.presMeasure = Need(s.appPPT, "Application").GetPresentations()->Add(true); });
    step([&] { Need(s.presMeasure, "Presentation").SetSaved(true); });
    step([&] { s.scratchPath1 = ScratchPath(s); });
    step([&] { s.scratchPath2 = ScratchPath(s); });
    s.scratchFailure.clear();
    try {
        Need(s.presMeasure, "Presentation").SaveAs(s.scratchPath1);
    } catch (const office::AutomationError& e) {
        // A full or unwritable temporary folder is kept for the pass:
        // without a scratch copy nothing can be measured.
        if (e.systemError()) s.scratchFailure = util::ErrorReasonText(e.systemError());
    }
    step([&] { s.emptyPresSize = Files(s).FileSize(Need(s.presMeasure, "Presentation").FullName()); });
    call([&] { Need(s.appPPT, "Application").SetWindowState(office::ppt::kWindowMinimized); });
    call([&] { Need(s.appPPT, "Application").SetVisible(true); });

    std::string outputPath;
    result = CompressPresentation(s, entry, outputPath);
    contained = true;

    step([&] { Need(s.presMeasure, "Presentation").SetSaved(true); });
    step([&] { Need(s.presMeasure, "Presentation").Close(); });
    s.presMeasure.reset();
    step([&] { Files(s).DeleteFile(s.scratchPath1); });
    step([&] { Files(s).DeleteFile(s.scratchPath2); });
    // The source is never saved over itself.
    step([&] { Need(s.presSource, "Presentation").SetSaved(true); });
    step([&] { Need(s.presSource, "Presentation").Close(); });
    s.presSource.reset();
    step([&] {
        if (PowerPointVersion(s) == 12) RestorePictureCompression(s);
    });
    // Also when the pass named an output but did not write it.
    if (s.settings->KeepFileDate == 1 && !outputPath.empty() && s.dryRunFolder.empty())
        util::CopyFileTimes(entry, outputPath);
    return EntryEnd::Ran;
}

std::vector<std::string> ParseSourceText(const std::string& text) {
    std::vector<std::string> entries;
    std::string current;
    for (char c : text) {
        if (current.empty() && (c == ' ' || c == '\r' || c == '\n')) continue;
        if (c == '\r') {
            entries.push_back(util::Trim(current, " "));
            current.clear();
            continue;
        }
        current += c; // an LF inside an entry stays part of it
    }
    if (!current.empty()) entries.push_back(current); // untrimmed without its CR
    return entries;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false;
    bool inArg = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArg = true; // "" is an empty argument
            continue;
        }
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inArg) {
                if (args.size() < kMaxArguments) args.push_back(current);
                current.clear();
                inArg = false;
            }
            continue;
        }
        current += c;
        inArg = true;
    }
    if (inArg && args.size() < kMaxArguments) args.push_back(current);
    return args;
}

void btnStop_Click(Session& s) {
    s.stopRequested = true;
    s.view->SetStopEnabled(false);
    s.view->SetStatus(kStatusStopping);
}

void btnStart_Click(Session& s) {
    const std::string text = s.view->SourceText();
    if (util::Trim(text, " ").empty()) {
        Warn(s, kNoFiles);
        return;
    }

    bool result = false;
    try {
        s.fileList = ParseSourceText(text);
        s.batchInputs = s.fileList;
        if (!ValidateEntries(s, s.fileList)) return;
        if (!settings::IsBlankText(s.settings->FitSize) && !ParseFitSize(s.settings->FitSize)) {
            Warn(s, FitSizeError(s.settings->FitSize));
            return;
        }

        s.view->SetStartEnabled(false);
        s.view->SetStopEnabled(true);
        s.stopRequested = false;
        s.view->SetStatus(kStatusChecking);

        if (!CheckEnvironment(s)) {
            s.view->SetStartEnabled(true);
            s.view->SetStopEnabled(false);
            s.view->SetStatus(kStatusCheckFailed);
            Warn(s, kQuitPowerPointFirst);
            return;
        }
        s.view->SetStatus(kStatusCheckOk);
        s.view->ShowWarning(true);

        result = true;
        s.view->ClearLog();
        s.filesTried = s.filesOpened = s.filesFailed = 0;
        // What an earlier run that was killed left in the temporary folder.
        step([&] { util::RemoveStaleScratch(Files(s).GetSpecialFolder(2)); });

        if (!s.officeXPMode && EnsureExcel(s)) {
            s.bookWork = Need(s.appEXCEL, "ExcelApplication").GetWorkbooks()->Add();
            s.sheetWork = Need(s.bookWork, "Workbook").Worksheets(1);
            Need(s.appEXCEL, "ExcelApplication").SetWindowState(office::xl::kWindowMinimized);
            Need(s.appEXCEL, "ExcelApplication").SetVisible(true);
        }

        if (s.automation) step([&] { s.automation->Prepare(s.fileList); });
        BeginBatchProgress(s);
        RunFiles(s, result);
    } catch (const office::AutomationError&) {
        // A run left through a failure did not finish: it never reads as
        // "圧縮完了".
        result = false;
    }
    // Nor does a run in which an output could not be written, or in which
    // not one of the inputs could be opened.
    if (s.filesFailed > 0 || (s.filesTried > 0 && s.filesOpened == 0)) result = false;
    FinalSteps(s, result);
}

} // namespace quillmax::app
