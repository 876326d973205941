// File: app/entry.cpp
// The entry procedure and the headless program around it.
#include "app/entry.h"

#include <filesystem>
#include <optional>
#include <random>
#include <system_error>
#include <tuple>
#include <utility>

#include "app/batch_run.h"
#include "app/console_view.h"
#include "app/office_apps.h"
#include "base/containment.h"
#include "base/errors.h"
#include "base/native_path.h"
#include "settings/startup.h"
#include "util/file_system.h"

namespace quillmax::app {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxArguments = 256;
constexpr const char* kQuitPowerPointFirst =
    "圧縮処理はパワーポイントを全て終了させてから行ってください。";

} // namespace

std::unique_ptr<util::FileSystem> CreateFileSystem() {
    try {
        return std::make_unique<util::FileSystem>();
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::vector<std::string> LimitArguments(std::vector<std::string> args) {
    if (args.size() > kMaxArguments) args.resize(kMaxArguments);
    return args;
}

bool StartWithArguments(Session& s, const std::vector<std::string>& args) {
    if (args.empty()) return false;
    s.view->HideDropHint();
    if (args.size() > kMaxArguments)
        s.view->MessageBox("指定されたファイルが多すぎます。先頭の" + std::to_string(kMaxArguments) + "個を処理し、残りの" +
                               std::to_string(args.size() - kMaxArguments) + "個は処理しません。",
                           Icon::Exclamation);
    std::string text;
    for (const std::string& a : LimitArguments(args)) text += a + "\r\n";
    s.view->SetSourceText(text);
    btnStart_Click(s);
    return true;
}

int ExitStatusOf(const std::string& status) {
    if (status == "圧縮完了") return kExitFinished;
    if (status == "圧縮中断") return kExitInterrupted;
    return kExitRefused;
}

namespace {

// A private scratch folder for a dry run, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code ec;
        const fs::path base = fs::temp_directory_path(ec);
        if (ec) return;
        std::random_device random;
        for (int attempt = 0; attempt < 20; ++attempt) {
            const fs::path p = base / ("quillmax-dry-" + std::to_string(random()));
            if (fs::create_directory(p, ec) && !ec) {
                path_ = util::Utf8(p);
                return;
            }
        }
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(util::Native(path_), ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace

int RunHeadless(Session& s, ConsoleView& view, settings::SettingsRuntime& rt,
                const std::vector<std::string>& files, const HeadlessOptions& options) {
    std::optional<ScratchFolder> scratch;
    if (options.dryRun) {
        scratch.emplace();
        // Without a scratch folder nothing could be measured safely.
        if (scratch->path().empty()) {
            view.MessageBox("一時ﾌｫﾙﾀﾞを作成できませんでした。", Icon::Stop);
            return kExitRefused;
        }
        s.dryRunFolder = scratch->path();
    }
    std::unique_ptr<util::FileSystem> fileSystem = CreateFileSystem();
    s.fileSystem = fileSystem.get();
    s.view = &view;
    s.settings = &rt.settings;
    s.registry = &rt.registry;
    s.oleList = &rt.oleList;
    view.SetStopHandler([&s] { btnStop_Click(s); });

    std::pair<int, int> stored;
    std::string storedFit;
    // The window's start-up, in its order; ProgramEnd ends everything here
    // without the shut-down, as the window ends without its unload.
    try {
        view.SetCaption(kProgramTitle);
        rt.store.LoadSettingsFirstStage(rt.settings);
        rt.store.LoadFormHeight(rt.settings);
        view.SetStartEnabled(true);
        view.SetStopEnabled(false);
        view.SetStatus("");
        office::step([&] { rt.oleStore.initExceptionList(); });
        rt.store.LoadSettingsSecondStage(rt.settings);
        if (!CheckEnvironment(s)) view.MessageBox(kQuitPowerPointFirst, Icon::Exclamation);
        view.SetStatus("OK");
        stored = {rt.settings.Movie, rt.settings.MovieTarget};
        storedFit = rt.settings.FitSize;
        if (options.fit) rt.settings.FitSize = *options.fit;
        if (options.movies) {
            rt.settings.Movie = 1;
            rt.settings.MovieTarget = 0;
        }

        // An empty list reaches the start button like an empty input box.
        if (!StartWithArguments(s, files)) btnStart_Click(s);
    } catch (const office::ProgramEnd&) {
        return kExitRefused;
    }

    office::step([&] {
        if (s.automation) s.automation->SystemClipboard().Clear();
    });
    if (options.movies) std::tie(rt.settings.Movie, rt.settings.MovieTarget) = stored;
    if (options.fit) rt.settings.FitSize = storedFit;
    if (!options.dryRun) settings::Shutdown(rt);
    return ExitStatusOf(view.Status());
}

} // namespace quillmax::app
