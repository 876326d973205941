// File: bench/roundtrip_bench.cpp
// Open + SaveAs of an unchanged deck against the floor of copying the same
// zip entries raw with libzip. One run; prints seconds per 10 MB and the
// ratio. Usage: roundtrip_bench [DECK.pptx] (default: a generated ~10 MB deck)
#include <zip.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>

#include "platform/pptx/pptx_automation.h"

using namespace quillmax;
namespace fs = std::filesystem;

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string MakeDeck(const std::string& dir) {
    auto a = pptx::CreateAutomation();
    auto pres = a->CreatePowerPoint()->GetPresentations()->Add(true);
    std::mt19937 rng(1);
    for (int s = 1; s <= 10; ++s) {
        auto shapes = pres->GetSlides()->Add(s, 12)->GetShapes();
        for (int i = 0; i < 20; ++i) shapes->AddShape(1 + (i % 2) * 8, i, i, 50, 50);
        std::string movie = dir + "/clip" + std::to_string(s) + ".mp4";
        std::string bytes(1 << 20, '\0');
        for (auto& c : bytes) c = static_cast<char>(rng());
        std::ofstream(movie, std::ios::binary) << bytes;
        shapes->AddMediaObject(movie, 10, 10, 320, 180);
    }
    std::string path = dir + "/bench-deck.pptx";
    pres->SaveAs(path);
    return path;
}

double RawCopy(const std::string& in, const std::string& out) {
    double t0 = Now();
    int err = 0;
    zip_t* src = zip_open(in.c_str(), ZIP_RDONLY, &err);
    zip_t* dst = zip_open(out.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    for (zip_int64_t i = 0; i < zip_get_num_entries(src, 0); ++i)
        zip_file_add(dst, zip_get_name(src, i, 0), zip_source_zip(dst, src, i, ZIP_FL_COMPRESSED, 0, -1), 0);
    zip_close(dst);
    zip_discard(src);
    return Now() - t0;
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = (fs::temp_directory_path() / "qmx-roundtrip-bench").string();
    fs::create_directories(dir);
    std::string deck = argc > 1 ? argv[1] : MakeDeck(dir);
    double mb = static_cast<double>(fs::file_size(deck)) / (1 << 20);
    double floor = RawCopy(deck, dir + "/raw.pptx");
    struct rusage before;
    getrusage(RUSAGE_SELF, &before);
    double t0 = Now();
    {
        auto a = pptx::CreateAutomation();
        auto pres = a->CreatePowerPoint()->GetPresentations()->Open(deck, true);
        pres->SaveAs(dir + "/saved.pptx");
    }
    double ours = Now() - t0;
    struct rusage after;
    getrusage(RUSAGE_SELF, &after);
    std::printf("deck %.1f MB: Open+SaveAs %.3f s (%.3f s per 10 MB), raw libzip copy %.3f s, ratio %.2f\n", mb, ours,
                ours * 10 / mb, floor, floor > 0 ? ours / floor : 0.0);
    std::printf("peak resident %.1f MB (before Open %.1f MB)\n", after.ru_maxrss / 1024.0, before.ru_maxrss / 1024.0);
    return 0;
}
