// File: cli/quillmax_main.cpp
// The program's main: the window by default, the console with --headless
// (or when the program was built without the window).
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "app/console_view.h"
#include "app/entry.h"
#include "app/fit.h"
#include "app/session.h"
#include "base/errors.h"
#include "engine/ffmpeg_encoder.h"
#include "host.h"
#include "office/automation.h"
#include "settings/startup.h"

#if defined(QUILLMAX_HAVE_GUI) && __has_include("gui/run_window.h")
#include "gui/run_window.h"
#define QUILLMAX_WINDOW 1
#endif

namespace {

constexpr const char* kUsage =
    "使い方: quillmax [--headless [-j N] [--all-pictures] [--movies] [--dry-run]] [ファイル...]\n"
    "\n"
    "PowerPoint ファイル (.pptx) を、見た目を保ったまま小さくします。\n"
    "出力は入力と同じフォルダ (または設定した出力先) に\n"
    "「名前【圧縮前NNNKB】.pptx」として書き出されます。入力ファイルは変更しません。\n"
    "\n"
    "  --headless   ウィンドウを開かずに、指定したファイルを圧縮して終了します。\n"
    "               ログは標準出力に、メッセージは標準エラー出力に出ます。\n"
    "               標準エラー出力が端末のときは、進み具合を1行で表示します。\n"
    "  -j N, --jobs N  --headless で、N 個のファイルを同時に圧縮します (既定: CPU の数)。\n"
    "               ログは 1 個ずつ順に圧縮したときと同じです。\n"
    "  --all-pictures  この実行に限り、名前に関係なくすべての画像と、背景・\n"
    "               マスター・レイアウト・塗りつぶしの画像も圧縮します (設定は保存しません)。\n"
    "  --movies     今回の実行に限り、埋め込み動画とリンク先動画も圧縮します (ffmpeg)。\n"
    "               設定には保存しません。\n"
    "  --dry-run    --headless と同じく全て処理しますが、何も書き出しません。\n"
    "               保存したはずのサイズをログに出します。\n"
    "  --fit サイズ  出力が指定のサイズ以下に収まる最高の画質で圧縮します\n"
    "               (例: --fit 10MB、--fit 9.5M、--fit 800KB。1MB = 1024KB)。\n"
    "               収まらないときは最も小さくなる画質で圧縮し、その旨をログに出します。\n"
    "               今回の実行に限り、設定には保存しません。\n"
    "  --help       この説明を表示します。\n"
    "  --version    バージョンを表示します。\n"
    "\n"
    "終了コード (--headless): 0 圧縮完了、1 圧縮中断、2 開始できなかった\n";

int RunConsole(const std::vector<std::string>& files, const char* argv0, bool allPictures,
               const quillmax::app::HeadlessOptions& options, unsigned jobs) {
    using namespace quillmax;
    std::unique_ptr<office::Automation> automation = cli::CreateAutomation();
    settings::SettingsRuntime rt(cli::ProgramFolder(argv0));

    app::Session session;
    session.automation = automation.get();
    session.allPicturesForRun = allPictures;
    session.countSlides = cli::CountSlides;
    session.contentBytes = cli::ContentBytes;
    session.jobs = jobs;
    session.newAutomation = cli::CreateAutomation;
    app::ConsoleView view(std::cout, std::cerr, std::cin, cli::StdinIsTerminal());
    view.EnableProgressLine(cli::StderrTerminalColumns());
    app::ConsoleView::InstallInterruptHandler();
    return app::RunHeadless(session, view, rt, files, options);
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, ""); // the user's decimal sign in sizes
#ifdef __GLIBC__
    // The picture threads come and go (the render-ahead pool, the image
    // library's workers): each new one would keep a heap of its own, and the
    // peak resident memory grew by a third with no gain in speed. Two heaps
    // a core keep files compressed side by side (-j) from queueing for one.
    // A number the environment gives stays.
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (!std::getenv("MALLOC_ARENA_MAX") && !(tunables && std::strstr(tunables, "arena_max")))
        mallopt(M_ARENA_MAX, static_cast<int>(2 * std::max(1u, std::thread::hardware_concurrency())));
#endif

    const std::vector<std::string> args = quillmax::cli::PrepareConsole(argc, argv);
    bool headless = false;
    bool allPictures = false;
    quillmax::app::HeadlessOptions options;
    bool optionsEnded = false;
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && (arg == "--fit" || arg.rfind("--fit=", 0) == 0)) {
            std::string size;
            if (arg == "--fit") {
                if (i + 1 == args.size()) {
                    std::fputs("quillmax: --fit には目標サイズを指定してください (例: --fit 10MB)\n", stderr);
                    return quillmax::app::kExitRefused;
                }
                size = args[++i];
            } else {
                size = arg.substr(6);
            }
            if (!quillmax::app::ParseFitSize(size)) {
                std::fprintf(stderr, "quillmax: %s\n", quillmax::app::FitSizeError(size).c_str());
                return quillmax::app::kExitRefused;
            }
            options.fit = size;
            headless = true; // the window has its own field, stored
        } else if (!optionsEnded && (arg == "-j" || arg == "--jobs" || (arg.size() > 2 && arg.rfind("-j", 0) == 0) ||
                              arg.rfind("--jobs=", 0) == 0)) {
            std::string value;
            if (arg == "-j" || arg == "--jobs") {
                if (i + 1 < args.size()) value = args[++i];
            } else {
                value = arg.substr(arg[1] == 'j' ? 2 : 7);
            }
            if (value.empty() || value.size() > 4 || value.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(value) < 1) {
                std::fprintf(stderr, "quillmax: -j には 1 以上の数を指定してください: %s\n", value.c_str());
                return quillmax::app::kExitRefused;
            }
            jobs = static_cast<unsigned>(std::stoi(value));
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--headless") {
            headless = true;
        } else if (!optionsEnded && arg == "--all-pictures") {
            allPictures = true;
        } else if (!optionsEnded && arg == "--movies") {
            options.movies = true;
        } else if (!optionsEnded && arg == "--dry-run") {
            headless = true; // a dry run has no window
            options.dryRun = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!optionsEnded && (arg == "--version" || arg == "-V")) {
            std::puts("quillmax " QUILLMAX_VERSION);
            return 0;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "quillmax: 不明なオプションです: %s\n", arg.c_str());
            std::fputs("'quillmax --help' で使い方を表示します。\n", stderr);
            return quillmax::app::kExitRefused;
        } else {
            files.push_back(arg);
        }
    }

    quillmax::engine::UseFfmpegEncoder();
    (void)headless; // without the window every run is headless
#ifdef QUILLMAX_WINDOW
    if (!headless) return quillmax::gui::RunWindow(argc, argv, quillmax::cli::CreateAutomation, quillmax::cli::CountSlides,
                                             quillmax::cli::ContentBytes);
#endif

    try {
        return RunConsole(files, argc > 0 ? argv[0] : nullptr, allPictures, options, jobs);
    } catch (const quillmax::office::ProgramEnd& end) {
        return end.code();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillmax: %s\n", e.what());
        return quillmax::app::kExitRefused;
    }
}
