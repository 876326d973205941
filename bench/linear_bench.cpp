// File: bench/linear_bench.cpp
// The cost per picture as a deck grows: decks of 10 to 600 photos, three
// to a slide (600 photos: 200 slides), each compressed headless. Prints the
// time per picture (also less the fixed cost of a one-picture deck) and
// the peak resident memory against package + 200 MB.
//
//   linear_bench [--counts 10,50,200,600]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <vips/vips8>

#include "bench_support.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0])) return 2;
    std::vector<int> counts = {10, 50, 200, 600};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) != "--counts") continue;
        counts.clear();
        std::stringstream ss(argv[++i]);
        for (std::string n; std::getline(ss, n, ',');) counts.push_back(std::max(1, std::atoi(n.c_str())));
    }
    const std::string quillmax = bench::BuildProgram(argv[0], "quillmax");
    const fs::path work = fs::temp_directory_path() / ("quillmax-linear-bench-" + std::to_string(::getpid()));
    fs::create_directories(work / "home");
    const std::vector<std::pair<std::string, std::string>> env = {{"HOME", (work / "home").string()},
                                                                  {"XDG_CONFIG_HOME", (work / "home").string()}};
    auto measure = [&](int pictures, double& mb) {
        bench::PhotoDeckPlan plan;
        plan.pictures = pictures;
        plan.maxPictureBytes = 1'000'000;
        plan.fallbackWidth = 1600;
        plan.fallbackHeight = 1200;
        const fs::path dir = work / std::to_string(pictures);
        fs::create_directories(dir);
        const std::string deck = (dir / ("photos-" + std::to_string(pictures) + ".pptx")).string();
        bench::MakePhotoDeck(plan, deck);
        mb = static_cast<double>(fs::file_size(deck)) / 1e6;
        auto run = bench::Run({quillmax, "--headless", deck}, dir.string(), env);
        if (run.exitCode != 0) std::fprintf(stderr, "%d pictures: exit %d\n%s", pictures, run.exitCode, run.err.c_str());
        fs::remove_all(dir);
        return run;
    };
    std::printf("load %.2f\n", bench::LoadAverage());
    double mb = 0;
    const auto fixed = measure(1, mb);
    std::printf("one picture: %.2f s (the fixed cost)\n", fixed.seconds);
    std::printf("%6s %8s %8s %10s %14s %8s %8s\n", "photos", "MB", "time s", "ms/photo", "ms/photo-fixed", "peak MB",
                "bound MB");
    double first = 0, last = 0;
    bool memoryMet = true;
    for (int n : counts) {
        const auto run = measure(n, mb);
        const double per = 1000 * run.seconds / n, marginal = 1000 * (run.seconds - fixed.seconds) / std::max(1, n - 1);
        if (first == 0) first = marginal;
        last = marginal;
        memoryMet = memoryMet && run.peakMb <= mb + 200;
        std::printf("%6d %8.1f %8.2f %10.1f %14.1f %8.1f %8.1f\n", n, mb, run.seconds, per, marginal, run.peakMb,
                    mb + 200);
    }
    std::printf("per photo, last / first: %.2f; memory %s; load %.2f after\n", first > 0 ? last / first : 0.0,
                memoryMet ? "within the bound" : "OVER THE BOUND", bench::LoadAverage());
    std::error_code ec;
    fs::remove_all(work, ec);
    vips_shutdown();
    return memoryMet ? 0 : 1;
}
