// File: fuzz/replay_main.cpp
// A plain driver for the fuzz target where no libFuzzer is at hand: replays
// the seed files, then mutates them at random (bit flips, truncation,
// splices, overwritten zip headers) for a bounded time.
//   pptx_open_fuzz SECONDS [SEED_FILE_OR_DIR...]
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "platform/pptx/pptx_automation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Run(const std::string& bytes) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    double seconds = argc > 1 ? std::stod(argv[1]) : 20;
    std::vector<std::string> seeds;
    for (int i = 2; i < argc; ++i) {
        fs::path p(argv[i]);
        if (fs::is_directory(p)) {
            for (auto& e : fs::recursive_directory_iterator(p))
                if (e.is_regular_file() && e.file_size() < (1u << 20)) seeds.push_back(Slurp(e.path()));
        } else if (fs::is_regular_file(p)) {
            seeds.push_back(Slurp(p));
        }
    }
    { // always one seed of our own
        auto a = quillmax::pptx::CreateAutomation();
        auto pres = a->CreatePowerPoint()->GetPresentations()->Add(true);
        pres->GetSlides()->Add(1, 12)->GetShapes()->AddShape(1, 1, 2, 3, 4);
        std::string path = (fs::temp_directory_path() / ("qmx-fuzz-seed-" + std::to_string(::getpid()) + ".pptx")).string();
        pres->SaveAs(path);
        seeds.push_back(Slurp(path));
        fs::remove(path);
    }
    for (auto& s : seeds) Run(s);
    std::mt19937_64 rng(12345);
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    while (std::chrono::steady_clock::now() < until) {
        std::string b = seeds[rng() % seeds.size()];
        int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits && !b.empty(); ++e) {
            switch (rng() % 5) {
            case 0: b[rng() % b.size()] ^= static_cast<char>(1 << (rng() % 8)); break;
            case 1: b.resize(rng() % b.size()); break;
            case 2: { // overwrite 4 bytes with a random 32-bit number (sizes, offsets)
                size_t at = rng() % b.size();
                for (int k = 0; k < 4 && at + k < b.size(); ++k) b[at + k] = static_cast<char>(rng());
                break;
            }
            case 3: {
                auto& other = seeds[rng() % seeds.size()];
                size_t from = rng() % (other.size() + 1), len = rng() % 256;
                b.insert(rng() % (b.size() + 1), other.substr(from, len));
                break;
            }
            default: b.erase(rng() % b.size(), rng() % 64); break;
            }
        }
        Run(b);
        ++runs;
    }
    std::cout << "pptx_open_fuzz: " << seeds.size() << " seeds, " << runs << " mutated inputs, no failure\n";
    return 0;
}
