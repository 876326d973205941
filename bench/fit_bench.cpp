// File: bench/fit_bench.cpp
// What fitting under a size costs against one default run: photo decks
// built here and the corpus decks named on the command line (default: three
// with photos), each compressed once with the default settings and then
// fitted under limits at 70%, 45% and 25% of its input. Prints per deck and
// limit the wall time, its ratio to the default run, the size written and
// the level line.
//
//   fit_bench [deck.pptx ...]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/console_view.h"
#include "app/entry.h"
#include "app/session.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/pptx_automation.h"
#include "settings/startup.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct RunOutcome {
    double seconds = 0;
    std::uintmax_t bytes = 0; // 0: nothing written
    std::string levelLine;
};

RunOutcome Run(const fs::path& dir, const fs::path& input, const fs::path& registry, const std::string& fit) {
    for (auto& e : fs::directory_iterator(dir))
        if (e.path() != input) fs::remove_all(e.path());
    auto automation = quillmax::pptx::CreateAutomation();
    quillmax::settings::SettingsRuntime rt(dir.string(), registry.string());
    quillmax::app::Session session;
    session.automation = automation.get();
    std::ostringstream out, err;
    std::istringstream in;
    quillmax::app::ConsoleView view(out, err, in, false);
    quillmax::app::HeadlessOptions options;
    if (!fit.empty()) options.fit = fit;
    const auto t0 = Clock::now();
    quillmax::app::RunHeadless(session, view, rt, {input.string()}, options);
    RunOutcome r;
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    for (auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().find("【圧縮") != std::string::npos) r.bytes = e.file_size();
    const std::string log = out.str();
    const size_t at = log.find("\t目標ｻｲｽﾞ");
    if (at != std::string::npos) r.levelLine = log.substr(at + 1, log.find('\r', at) - at - 1);
    return r;
}

std::string PhotoDeck(const fs::path& dir, const std::string& name, int slides, int perSlide, int width,
                      unsigned seed) {
    namespace deck = quillmax::pptx::deck;
    deck::Deck d;
    for (int s = 0; s < slides; ++s) {
        deck::Slide slide;
        for (int p = 0; p < perSlide; ++p) {
            const double w = 640.0 / perSlide;
            slide.shapes.push_back(deck::Picture(
                {deck::MakePhotoJpeg(width, width * 3 / 4, seed + static_cast<unsigned>(s * perSlide + p), 92), "jpeg"},
                {40 + w * p, 120, w - 20, (w - 20) * 0.75}));
        }
        d.slides.push_back(slide);
    }
    const std::string path = (dir / name).string();
    deck::Write(d, path);
    return path;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path work = fs::temp_directory_path() / ("quillmax-fit-bench-" + std::to_string(::getpid()));
    fs::create_directories(work / "registry");
    fs::create_directories(work / "made");

    std::vector<std::string> decks(argv + 1, argv + argc);
    if (decks.empty()) {
        decks.push_back(PhotoDeck(work / "made", "photos-8x2.pptx", 8, 2, 2000, 1));
        decks.push_back(PhotoDeck(work / "made", "photos-12x1.pptx", 12, 1, 2400, 50));
        const fs::path corpus = fs::path(QUILLMAX_SOURCE_DIR) / ".." / "shared" / "corpus";
        for (const char* name : {"ooxml_parser/condition_no_event.pptx",
                                 "poi/at.pzp.www_uploads_media_PP_Scheinecker-jdk6error.pptx", "poi/KEY02.pptx"})
            if (fs::exists(corpus / name)) decks.push_back((corpus / name).string());
    }

    std::printf("%-34s %9s %9s %8s %7s %9s  %s\n", "deck", "input KB", "limit KB", "time s", "x dflt",
                "out KB", "level");
    double ratioSum = 0, ratioMax = 0;
    int fits = 0;
    for (const std::string& deck : decks) {
        const fs::path dir = work / std::to_string(&deck - decks.data());
        fs::create_directories(dir);
        const fs::path input = dir / fs::path(deck).filename();
        fs::copy_file(deck, input, fs::copy_options::overwrite_existing);
        const auto inBytes = fs::file_size(input);
        const std::string shortName = fs::path(deck).filename().string().substr(0, 34);

        const RunOutcome normal = Run(dir, input, work / "registry", "");
        std::printf("%-34s %9ju %9s %8.2f %7s %9ju  (default run)\n", shortName.c_str(), inBytes / 1024, "-",
                    normal.seconds, "1.00", normal.bytes / 1024);
        for (double share : {0.70, 0.45, 0.25}) {
            const auto limit = static_cast<std::uintmax_t>(static_cast<double>(inBytes) * share);
            const RunOutcome fit = Run(dir, input, work / "registry", std::to_string(limit) + "B");
            const double ratio = normal.seconds > 0 ? fit.seconds / normal.seconds : 0;
            ratioSum += ratio;
            ratioMax = std::max(ratioMax, ratio);
            ++fits;
            std::printf("%-34s %9ju %9ju %8.2f %7.2f %9ju  %s\n", shortName.c_str(), inBytes / 1024, limit / 1024,
                        fit.seconds, ratio, fit.bytes / 1024, fit.levelLine.c_str());
        }
    }
    if (fits) std::printf("fit time against one default run: mean %.2f, max %.2f over %d fits\n", ratioSum / fits,
                          ratioMax, fits);
    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
