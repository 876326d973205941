// File: bench/photo_bench.cpp
// On each photo deck, in one run: the headless program's wall time and
// peak resident memory, the codec floor (the same pictures decoded,
// resized to the same sizes and encoded directly with libvips on one
// thread) and, when it is installed, a JavaScript peer on libvips/sharp.
// Targets: wall <= 0.8 x floor, below the peer; peak <= package + 200 MB.
// Two more floors are printed beside it: the plain load (random access,
// slower) and the shrink-on-load decode straight to the size, which does
// the least any decoder can and which the program itself uses.
//
//   photo_bench [--repeat N] [--peer DIR] [--program PATH] [deck.pptx ...]
//   (--program: another build of quillmax, e.g. an older one to compare)
//   photo_bench --make-decks DIR    (only write the two wallpaper decks)
//   (default decks: the two wallpaper decks; peer: $QUILLMAX_PEER_DIR, a
//    folder where `npm install pptx-image-compressor@1.0.2` was run)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <vips/vips8>

#include "bench_support.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0])) return 2;
    int repeat = 3;
    std::string peerDir = std::getenv("QUILLMAX_PEER_DIR") ? std::getenv("QUILLMAX_PEER_DIR") : "";
    std::vector<std::string> decks;
    std::string quillmax = bench::BuildProgram(argv[0], "quillmax");
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--repeat" && i + 1 < argc) repeat = std::max(1, std::atoi(argv[++i]));
        else if (a == "--peer" && i + 1 < argc) peerDir = argv[++i];
        else if (a == "--program" && i + 1 < argc) quillmax = fs::absolute(argv[++i]).string();
        else if (a == "--make-decks" && i + 1 < argc) {
            fs::create_directories(argv[i + 1]);
            for (auto& d : bench::StandardPhotoDecks(argv[i + 1])) std::printf("%s\n", d.c_str());
            return 0;
        }
        else decks.push_back(fs::absolute(a).string());
    }
    const fs::path work = fs::temp_directory_path() / ("quillmax-photo-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    if (decks.empty()) decks = bench::StandardPhotoDecks(work.string());
    const std::string peerMain = peerDir.empty() ? "" : peerDir + "/node_modules/pptx-image-compressor/main.js";
    const bool peer = !peerMain.empty() && fs::exists(peerMain);
    std::printf("load %.2f; best of %d runs; %s\n", bench::LoadAverage(), repeat,
                peer ? "peer: pptx-image-compressor 1.0.2" : "peer not installed (--peer DIR)");
    std::printf("%-18s %6s %4s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s\n", "deck", "MB", "pics", "time s",
                "floor s", "t/floor", "plain s", "shrunk s", "t/shrunk", "cpu s", "floorcpu", "peer s", "t/peer", "peak MB",
                "bound", "out MB");
    bool allMet = true;
    for (const auto& deck : decks) {
        const double mb = static_cast<double>(fs::file_size(deck)) / 1e6;
        double best = 1e9, floor = 1e9, plain = 1e9, shrunk = 1e9, cpu = 1e9, floorCpu = 1e9, peerBest = 1e9, peak = 0,
               outMb = 0, peerMb = 0;
        bench::Floor f;
        for (int r = 0; r < repeat; ++r) {
            const fs::path dir = work / ("run" + std::to_string(r));
            fs::remove_all(dir);
            fs::create_directories(dir / "home");
            const std::string input = (dir / fs::path(deck).filename()).string();
            fs::copy_file(deck, input);
            const std::string home = (dir / "home").string();
            auto run = bench::Run({quillmax, "--headless", input}, dir.string(),
                                  {{"HOME", home}, {"XDG_CONFIG_HOME", home}});
            if (run.exitCode != 0) std::fprintf(stderr, "%s: exit %d\n%s", deck.c_str(), run.exitCode, run.err.c_str());
            best = std::min(best, run.seconds);
            cpu = std::min(cpu, run.cpuSeconds);
            peak = std::max(peak, run.peakMb);
            const std::string output = bench::OutputOf(dir.string(), input);
            if (!output.empty()) {
                outMb = static_cast<double>(fs::file_size(output)) / 1e6;
                f = bench::CodecFloor(input, output);
                floor = std::min(floor, f.seconds);
                floorCpu = std::min(floorCpu, f.cpuSeconds);
                plain = std::min(plain, f.plainSeconds);
                shrunk = std::min(shrunk, f.shrunkSeconds);
            }
            if (peer) {
                const fs::path pdir = dir / "peer";
                fs::create_directories(pdir);
                const std::string pin = (pdir / "deck.pptx").string();
                fs::copy_file(deck, pin);
                auto p = bench::Run({"node", peerMain, pin}, pdir.string());
                if (p.exitCode != 0) std::fprintf(stderr, "peer: exit %d\n%s", p.exitCode, p.err.c_str());
                peerBest = std::min(peerBest, p.seconds);
                if (fs::exists(pdir / "deck_compressed.pptx"))
                    peerMb = static_cast<double>(fs::file_size(pdir / "deck_compressed.pptx")) / 1e6;
            }
            fs::remove_all(dir);
        }
        const double bound = mb + 200;
        const bool met = (f.pictures == 0 || best <= 0.8 * floor) && (!peer || best < peerBest) && peak <= bound;
        allMet = allMet && met;
        auto cell = [&](double v, const char* fmt) {
            char b[32];
            std::snprintf(b, sizeof b, fmt, v);
            return peer ? std::string(b) : std::string("-");
        };
        std::printf("%-18.18s %6.1f %4d %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7s %7s %7.1f %7.1f %7.2f %s\n",
                    fs::path(deck).filename().string().c_str(), mb, f.pictures, best, floor, best / floor, plain,
                    shrunk, best / shrunk, cpu, floorCpu, cell(peerBest, "%.2f").c_str(),
                    cell(best / peerBest, "%.2f").c_str(), peak, bound, outMb, met ? "met" : "NOT MET");
        if (peer) std::printf("  peer output %.2f MB\n", peerMb);
        if (f.kept > 0) std::printf("  (%d pictures left as they were, not in the floor)\n", f.kept);
    }
    std::printf("load %.2f after\n", bench::LoadAverage());
    std::error_code ec;
    fs::remove_all(work, ec);
    vips_shutdown();
    return allMet ? 0 : 1;
}
