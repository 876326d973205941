// File: bench/reach_bench.cpp
// How much of a deck's weight the program reaches: every corpus deck (or
// the decks named) compressed twice through the headless front end, with
// the default settings and with "all pictures" for the run, and the bytes
// out of each beside the bytes in. A deck without an output counts as its
// input. Prints one line per deck and the totals.
//
//   reach_bench [deck.pptx ...]   (default: every .pptx of ../shared/corpus)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/console_view.h"
#include "app/entry.h"
#include "app/session.h"
#include "platform/pptx/pptx_automation.h"
#include "settings/startup.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> CorpusDecks() {
    std::vector<std::string> decks;
    fs::path corpus = fs::path(QUILLMAX_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::error_code ec;
    if (!fs::is_directory(corpus, ec)) return decks;
    for (auto& e : fs::recursive_directory_iterator(corpus, ec))
        if (e.is_regular_file() && e.path().extension() == ".pptx") decks.push_back(e.path().string());
    std::sort(decks.begin(), decks.end());
    return decks;
}

// The output's size after one headless run over a copy of deck in dir.
std::uintmax_t Compress(const std::string& deck, const fs::path& dir, const fs::path& registry,
                        bool allPictures) {
    fs::create_directories(dir);
    fs::path input = dir / fs::path(deck).filename();
    fs::copy_file(deck, input, fs::copy_options::overwrite_existing);
    auto automation = quillmax::pptx::CreateAutomation();
    quillmax::settings::SettingsRuntime rt(dir.string(), registry.string());
    quillmax::app::Session session;
    session.automation = automation.get();
    session.allPicturesForRun = allPictures;
    std::ostringstream out, err;
    std::istringstream in;
    quillmax::app::ConsoleView view(out, err, in, false);
    quillmax::app::RunHeadless(session, view, rt, {input.string()});
    std::uintmax_t bytes = fs::file_size(input);
    for (auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().find("【圧縮") != std::string::npos) bytes = e.file_size();
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> decks(argv + 1, argv + argc);
    if (decks.empty()) decks = CorpusDecks();
    if (decks.empty()) {
        std::cerr << "no decks (pass paths, or provide ../shared/corpus)\n";
        return 2;
    }
    fs::path work = fs::temp_directory_path() / ("quillmax-reach-" + std::to_string(::getpid()));
    fs::create_directories(work / "registry");
    std::printf("%-56s %11s %11s %7s %11s %7s\n", "deck", "bytes in", "default", "", "all pics", "");
    double in = 0, def = 0, all = 0;
    for (size_t i = 0; i < decks.size(); ++i) {
        const std::uintmax_t inBytes = fs::file_size(decks[i]);
        const std::uintmax_t d = Compress(decks[i], work / ("d" + std::to_string(i)), work / "registry", false);
        const std::uintmax_t a = Compress(decks[i], work / ("a" + std::to_string(i)), work / "registry", true);
        in += inBytes, def += d, all += a;
        std::string name = fs::path(decks[i]).parent_path().filename().string() + "/" +
                           fs::path(decks[i]).filename().string();
        std::printf("%-56.56s %11ju %11ju %6.1f%% %11ju %6.1f%%\n", name.c_str(), inBytes, d,
                    100.0 * d / inBytes, a, 100.0 * a / inBytes);
    }
    std::printf("%-56s %11.0f %11.0f %6.1f%% %11.0f %6.1f%%\n", "total", in, def, 100 * def / in, all,
                100 * all / in);
    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
