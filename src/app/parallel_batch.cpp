// File: app/parallel_batch.cpp
// The headless batch on several threads. Each file gets a session of its
// own (object model, clipboard, scratch files, OLE list copy) and a view
// that keeps its log lines and messages until every file before it has
// been written out; questions and the stop request go to the real view,
// one thread at a time.
#include "app/parallel_batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <set>
#include <thread>

#include "app/batch_run.h"
#include "app/office_apps.h"
#include "base/containment.h"
#include "base/errors.h"
#include "base/text.h"
#include "engine/common.h"
#include "settings/ole_list.h"
#include "settings/settings.h"
#include "util/file_system.h"

namespace quillmax::app {
namespace {

using engine::Files;

// What the threads share: the real view (only under `lock`) and the stop.
struct Shared {
    explicit Shared(Session& s) : main(s) {}
    Session& main;
    std::mutex lock;
    std::condition_variable changed;
    std::atomic<bool> stop{false};
    size_t written = 0; // files whose lines are all out; the next one writes as it goes
    // Slides done and slide-count corrections per file, for the batch's progress.
    std::vector<int> slidesDone, totalDelta;

    // The batch's progress as the latest file tells it. Call with `lock` held.
    void Progress(size_t index, const BatchProgress& p) {
        BatchProgress& all = main.progress;
        slidesDone[index] = p.slidesDone;
        totalDelta[index] = p.slidesTotal - all.slidesTotal; // the main total stays as counted before
        BatchProgress shown = all;
        shown.file = p.file;
        shown.fileName = p.fileName;
        shown.slide = p.slide;
        shown.slideCount = p.slideCount;
        shown.slidesDone = 0;
        for (size_t i = 0; i < slidesDone.size(); ++i) {
            shown.slidesDone += slidesDone[i];
            shown.slidesTotal += totalDelta[i];
        }
        main.view->ShowProgress(shown);
    }

    // Lets the real view take a pending interrupt; a stop there reaches
    // every file. Call with `lock` held.
    void Poll() {
        main.view->DoEvents();
        if (main.stopRequested) stop.store(true);
    }
};

// A file's log lines and message boxes, held until their turn.
struct Kept {
    std::string log;
    std::vector<std::pair<std::string, engine::Icon>> boxes;

    // Hands them to the real view, in the order they came.
    void WriteOut(engine::MainView& to) {
        for (auto& [text, icon] : boxes) to.MessageBox(text, icon);
        if (!log.empty()) to.AppendLog(log);
        boxes.clear();
        log.clear();
    }
};

// One file's window.
class FileView : public engine::MainView {
public:
    FileView(Shared& shared, Session& file, Kept& kept, size_t index)
        : shared_(shared), file_(file), kept_(kept), index_(index) {}

    void AppendLog(const std::string& text) override {
        std::lock_guard<std::mutex> hold(shared_.lock);
        kept_.log += text;
        if (shared_.written == index_) kept_.WriteOut(*shared_.main.view);
    }
    void ClearLog() override { kept_.log.clear(); }
    std::string LogText() override { return kept_.log; }
    void SetStatus(const std::string& text) override { status_ = text; }
    std::string Status() override { return status_; }
    void SetStartEnabled(bool) override {}
    void SetStopEnabled(bool) override {}
    void ShowWarning(bool) override {}
    std::string SourceText() override { return {}; }
    void SetSourceText(const std::string&) override {}
    void HideDropHint() override {}
    void SetCaption(const std::string&) override {}
    void MessageBox(const std::string& text, engine::Icon icon) override {
        std::lock_guard<std::mutex> hold(shared_.lock);
        kept_.boxes.emplace_back(text, icon);
        if (shared_.written == index_) kept_.WriteOut(*shared_.main.view);
    }
    engine::Answer AskYesNoCancel(const std::string& text, engine::Icon icon) override {
        std::lock_guard<std::mutex> hold(shared_.lock);
        return shared_.main.view->AskYesNoCancel(text, icon);
    }
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& preset) override {
        std::lock_guard<std::mutex> hold(shared_.lock);
        return shared_.main.view->InputBox(prompt, title, preset);
    }
    void DoEvents() override {
        {
            std::lock_guard<std::mutex> hold(shared_.lock);
            shared_.Poll();
        }
        if (shared_.stop.load()) file_.stopRequested = true;
    }
    void Beep() override {}
    void ShowProgress(const BatchProgress& p) override {
        std::lock_guard<std::mutex> hold(shared_.lock);
        shared_.Progress(index_, p);
    }

private:
    Shared& shared_;
    Session& file_;
    Kept& kept_;
    size_t index_;
    std::string status_;
};

enum class State { Waiting, Running, Done };

struct FileRun {
    std::string entry;
    State state = State::Waiting;
    bool result = true;
    bool ranPass = false;
    Kept kept;
    size_t oleKnown = 0; // keys of the list when the file began
    settings::OleConversionList ole;
    int tried = 0, opened = 0, failed = 0;
};

// Compresses run.entry with a session of its own.
void CompressAlone(Shared& shared, FileRun& run, size_t index) {
    Session& main = shared.main;
    Session file;
    FileView view(shared, file, run.kept, index);
    std::unique_ptr<office::Automation> automation = main.newAutomation();
    file.view = &view;
    file.automation = automation.get();
    // A copy: a pass may set a value for its own while (a fit runs its
    // levels without movies), which no other file may see.
    settings::Settings ownSettings = *main.settings;
    file.settings = &ownSettings;
    file.registry = main.registry;
    file.fileSystem = main.fileSystem;
    file.officeXPMode = main.officeXPMode;
    file.allPicturesForRun = main.allPicturesForRun;
    file.dryRunFolder = main.dryRunFolder;
    // The file's own progress: its slides, counted from none done.
    file.slidesOf = main.slidesOf;
    file.progress = main.progress;
    file.progress.file = static_cast<int>(index) + 1;
    file.progress.fileName = run.entry;
    file.progress.slide = 0;
    file.progress.slideCount = index < main.slidesOf.size() ? main.slidesOf[index] : 0;
    file.progress.slidesDone = 0;
    file.batchInputs = main.batchInputs;
    file.fileList = main.fileList;
    if (main.oleList) {
        run.ole = *main.oleList;
        run.oleKnown = run.ole.keys().size();
        file.oleList = &run.ole;
    }
    file.stopRequested = shared.stop.load();
    // Only the batch's first file may leave the run on a failing call, as
    // in the loop one after another.
    bool contained = index > 0;
    try {
        run.ranPass = CompressEntry(file, run.entry, contained, run.result) == EntryEnd::Ran;
    } catch (const office::AutomationError&) {
        run.result = false;
        shared.stop.store(true);
    }
    if (file.appPPT) office::step([&] { file.appPPT->Quit(); });
    file.appPPT.reset();
    if (file.automation) office::step([&] { file.automation->SystemClipboard().Clear(); });
    run.tried = file.filesTried;
    run.opened = file.filesOpened;
    run.failed = file.filesFailed;
    // A file that ended early still counts all its slides done.
    file.progress.slidesDone = std::max(file.progress.slidesDone, file.progress.slideCount);
    view.ShowProgress(file.progress);
}

} // namespace

bool RunsInParallel(Session& s, const std::vector<std::string>& entries) {
    if (s.jobs < 2 || entries.size() < 2 || !s.newAutomation || !s.officeXPMode || !s.settings) return false;
    if (office::step_value([&] { return PowerPointVersion(s); }, 0) == 12) return false; // one registry value for all
    std::set<std::string> outputs;
    for (const std::string& entry : entries) {
        std::string folder, base;
        if (!office::step([&] {
                folder = s.settings->optPPTFolder == 0 ? Files(s).GetParentFolderName(entry) : s.settings->PPTFolder;
                base = Files(s).GetBaseName(entry);
            }))
            return false;
        // Two files named alike would each find the other's output (a dry
        // run writes every output into one folder).
        if (!s.dryRunFolder.empty()) folder.clear();
        if (!outputs.insert(util::LowerAscii(folder + "/" + base)).second) return false;
    }
    return true;
}

bool RunFilesInParallel(Session& s, const std::vector<std::string>& entries) {
    Shared shared(s);
    shared.slidesDone.assign(entries.size(), 0);
    shared.totalDelta.assign(entries.size(), 0);
    std::vector<FileRun> runs(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) runs[i].entry = entries[i];
    // Built once here: the copies each file takes read it, never rebuild it.
    if (s.oleList) s.oleList->ObjToImage(" ");

    size_t next = 0;
    auto worker = [&] {
        for (;;) {
            size_t i;
            {
                std::lock_guard<std::mutex> hold(shared.lock);
                if (next >= runs.size() || shared.stop.load()) return;
                i = next++;
                runs[i].state = State::Running;
            }
            CompressAlone(shared, runs[i], i);
            {
                std::lock_guard<std::mutex> hold(shared.lock);
                runs[i].state = State::Done;
                // The batch ends after a file whose pass said stop.
                if (!runs[i].result) shared.stop.store(true);
            }
            shared.changed.notify_all();
        }
    };
    const size_t count = std::min<size_t>(s.jobs, runs.size());
    std::vector<std::thread> threads;
    threads.reserve(count);
    for (size_t t = 0; t < count; ++t) threads.emplace_back(worker);

    // A file's lines go out as they come once every file before it is out;
    // the real view keeps taking interrupts meanwhile.
    size_t& written = shared.written;
    {
        std::unique_lock<std::mutex> hold(shared.lock);
        for (;;) {
            while (written < runs.size() && runs[written].state == State::Done) {
                runs[written++].kept.WriteOut(*s.view);
                if (written < runs.size()) runs[written].kept.WriteOut(*s.view); // the new head, so far
            }
            const bool running = std::any_of(runs.begin(), runs.end(), [](auto& r) { return r.state == State::Running; });
            if (written == runs.size() || (!running && shared.stop.load())) break;
            shared.changed.wait_for(hold, std::chrono::milliseconds(100));
            shared.Poll();
        }
    }
    for (auto& t : threads) t.join();
    for (; written < runs.size(); ++written) runs[written].kept.WriteOut(*s.view); // begun before the stop, or nothing

    bool result = true;
    for (auto& run : runs) {
        if (run.state != State::Done) continue;
        s.filesTried += run.tried;
        s.filesOpened += run.opened;
        s.filesFailed += run.failed;
        if (!run.result) result = false;
        // New OLE kinds join the list in the order of the files.
        if (s.oleList)
            for (size_t k = run.oleKnown; k < run.ole.keys().size(); ++k)
                s.oleList->AddToExceptionList(run.ole.keys()[k], run.ole.values()[k]);
    }
    if (shared.stop.load() && s.stopRequested) result = false;
    for (size_t i = 0; i < runs.size(); ++i) {
        s.progress.slidesDone += shared.slidesDone[i];
        s.progress.slidesTotal += shared.totalDelta[i];
    }
    return result;
}

} // namespace quillmax::app
