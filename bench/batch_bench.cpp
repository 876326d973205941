// File: bench/batch_bench.cpp
// A headless batch of the two wallpaper decks and ten public decks, run
// with -j 1 and then -j 2 on the same inputs: the wall times and their
// ratio (target <= 0.6), whether the logs are equal byte for byte and the
// outputs equal. Also the processor time the whole machine was busy during
// the -j 1 run (the office helper included): spread evenly over every core
// it still takes that long divided by the cores, the least any -j can take.
//
//   batch_bench [--repeat N] [-j N]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <vips/vips8>

#include "bench_support.h"

namespace fs = std::filesystem;

namespace {

// Public decks of every kind the program meets: photos, screenshots,
// layouts with pictures, a movie, metafiles, Japanese names.
const char* const kCorpusDecks[] = {
    "aspose-java/ContentBG_Image.pptx",
    "onlyoffice-templates/sample.pptx",
    "ooxml_parser/condition_no_event.pptx",
    "poi/KEY02.pptx",
    "poi/stress022.pptx",
    "rw-imrb-research/contrastive_label_xai_slide.pptx",
    "rw-quoridor-jp/発表資料.pptx",
    "shapecrawler/031.pptx",
    "syncfusion/Iterate-slide-elements/Template.pptx",
    "unstructured/science-exploration-1p.pptx",
};

std::map<std::string, std::string> TakeOutputs(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (auto& e : fs::directory_iterator(folder)) {
        const std::string n = e.path().filename().string();
        if (n.find("【圧縮") == std::string::npos) continue;
        out[n] = bench::ReadFile(e.path().string());
        fs::remove(e.path());
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0])) return 2;
    int repeat = 1, jobs = 2;
    for (int i = 1; i + 1 < argc; ++i) {
        std::string a = argv[i];
        if (a == "--repeat") repeat = std::max(1, std::atoi(argv[++i]));
        else if (a == "-j") jobs = std::max(2, std::atoi(argv[++i]));
    }
    const std::string quillmax = bench::BuildProgram(argv[0], "quillmax");
    const fs::path work = fs::temp_directory_path() / ("quillmax-batch-bench-" + std::to_string(::getpid()));
    const fs::path decks = work / "decks", home = work / "home";
    fs::create_directories(decks);
    fs::create_directories(home);
    std::vector<std::string> files = bench::StandardPhotoDecks(decks.string());
    const std::string corpus = bench::CorpusDir();
    for (const char* d : kCorpusDecks) {
        if (corpus.empty() || !fs::exists(corpus + "/" + d)) continue;
        std::string flat = d;
        std::replace(flat.begin(), flat.end(), '/', '_');
        fs::copy_file(corpus + "/" + d, decks / flat);
        files.push_back((decks / flat).string());
    }
    std::uintmax_t bytes = 0;
    for (auto& f : files) bytes += fs::file_size(f);
    std::printf("%zu decks, %.1f MB\n", files.size(), static_cast<double>(bytes) / 1e6);

    const std::vector<std::pair<std::string, std::string>> env = {{"HOME", home.string()},
                                                                  {"XDG_CONFIG_HOME", home.string()}};
    auto batch = [&](int j) {
        std::vector<std::string> args = {quillmax, "--headless", "-j", std::to_string(j)};
        args.insert(args.end(), files.begin(), files.end());
        return bench::Run(args, decks.string(), env);
    };
    bool allMet = true;
    for (int r = 0; r < repeat; ++r) {
        const double loadBefore = bench::LoadAverage();
        const double busy0 = bench::MachineBusySeconds();
        auto one = batch(1);
        const double busy = bench::MachineBusySeconds() - busy0;
        auto oneOutputs = TakeOutputs(decks);
        auto many = batch(jobs);
        auto manyOutputs = TakeOutputs(decks);
        const bool logs = one.out == many.out && one.err == many.err && one.exitCode == many.exitCode;
        const bool outputs = oneOutputs == manyOutputs;
        const double ratio = many.seconds / one.seconds;
        const bool met = ratio <= 0.6 && logs && outputs;
        allMet = allMet && met;
        std::printf("load %.2f→%.2f  -j 1 %.2f s (peak %.0f MB)  -j %d %.2f s (peak %.0f MB)  ratio %.2f  "
                    "logs %s  outputs %s (%zu)  %s\n",
                    loadBefore, bench::LoadAverage(), one.seconds, one.peakMb, jobs, many.seconds, many.peakMb, ratio,
                    logs ? "identical" : "DIFFER", outputs ? "identical" : "DIFFER", oneOutputs.size(),
                    met ? "met" : "NOT MET");
        const double cores = std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
        std::printf("  -j 1 kept %.2f of %.0f cores busy (%.2f cpu-s, the whole machine): no -j can take less than "
                    "%.2f s, a ratio of %.2f\n",
                    busy / one.seconds, cores, busy, busy / cores, busy / cores / one.seconds);
    }
    std::error_code ec;
    fs::remove_all(work, ec);
    vips_shutdown();
    return allMet ? 0 : 1;
}
