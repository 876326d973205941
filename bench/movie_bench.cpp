// File: bench/movie_bench.cpp
// Per movie: the encoder step as the program runs it (probe, encode with
// progress, rename) against the same ffmpeg command run alone (the floor),
// and the size of the new movie against the old. Movies: those of the
// corpus decks (taken out of their packages, shown at their shapes' sizes)
// and a generated 1080p, 30-second movie shown at 4 x 3 inches.
//   movie_bench [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/ffmpeg_encoder.h"
#include "office/powerpoint.h"
#include "platform/posix/child_process.h"
#include "platform/pptx/pptx_automation.h"

namespace fs = std::filesystem;
using namespace quillmax;

namespace {

struct Movie {
    std::string label, path;
    double widthPt, heightPt;
};

double Seconds(const std::function<void()>& f) {
    const auto t = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// The media shapes of a corpus deck, their movies written into `folder`.
void FromDeck(const std::string& deck, const std::string& folder, std::vector<Movie>& out) {
    if (!fs::exists(deck)) return;
    auto automation = pptx::CreateAutomation();
    auto pres = automation->CreatePowerPoint()->GetPresentations()->Open(deck, true);
    auto slides = pres->GetSlides();
    for (int i = 1; i <= slides->Count(); ++i) {
        auto shapes = slides->Item(i)->GetShapes();
        for (int j = 1; j <= shapes->Count(); ++j) {
            auto shape = shapes->Item(j);
            if (shape->Type() != office::ppt::kShapeMedia) continue;
            try {
                auto media = shape->GetMediaFormat();
                if (!media->IsEmbedded()) continue;
                const std::string name = fs::path(shape->GetLinkFormat()->SourceFullName()).filename().string();
                const std::string path = folder + "/" + fs::path(deck).stem().string() + "-" + name;
                media->ExportMedia(path);
                out.push_back({fs::path(deck).filename().string() + ":" + name, path, shape->Width(), shape->Height()});
            } catch (const std::exception&) {
            }
        }
    }
    pres->Close();
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    util::PrivateTempFolder temp("quillmax-movie-bench-");
    const std::string dir = temp.path();
    const std::string corpus = std::string(QUILLMAX_SOURCE_DIR) + "/../shared/corpus/";
    std::vector<Movie> movies;
    FromDeck(corpus + "shapecrawler/040_video.pptx", dir, movies);
    FromDeck(corpus + "ooxml_parser/transition_direction_nil_2.pptx", dir, movies);
    const std::string generated = dir + "/generated-1080p.mp4";
    if (std::system(("ffmpeg -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=30 -f lavfi -i "
                     "sine=frequency=440:duration=30 -c:v libx264 -preset ultrafast -qp 16 -pix_fmt yuv420p -c:a aac "
                     "-shortest '" + generated + "'").c_str()) == 0)
        movies.push_back({"generated 1080p 30 s", generated, 288, 216});

    engine::UseFfmpegEncoder();
    std::printf("%-44s %10s %10s %7s %9s %9s %7s\n", "movie", "in bytes", "out bytes", "ratio", "ours s", "floor s",
                "x floor");
    for (const Movie& m : movies) {
        double ours = 1e9, floor = 1e9;
        std::string ext;
        int w = 0, h = 0;
        for (int r = 0; r < runs; ++r) {
            engine::MovieEncoding().context = engine::EncodeContext{nullptr, m.widthPt, m.heightPt, 1.0};
            ours = std::min(ours, Seconds([&] {
                engine::MovieEncoding().encoder->Run("mp4", m.path, dir + "/ours", ext);
            }));
        }
        // The floor: the encode command alone, at the size the step chose.
        const std::string out = dir + "/ours." + ext;
        util::ChildOptions o;
        std::string size;
        o.onLine = [&](const std::string& l) { size = l; };
        util::RunChild({"ffprobe", "-v", "error", "-select_streams", "V", "-show_entries", "stream=width,height", "-of",
                        "csv=p=0:s=x", out},
                       o);
        if (std::sscanf(size.c_str(), "%dx%d", &w, &h) != 2) w = h = 0;
        const bool video = ext == "mp4";
        for (int r = 0; r < runs; ++r)
            floor = std::min(floor, Seconds([&] {
                util::RunChild(engine::FfmpegEncoder::Arguments("mp4", video, true, m.path, dir + "/floor." + ext, w, h),
                               {});
            }));
        const double in = static_cast<double>(fs::file_size(m.path));
        const double outBytes = static_cast<double>(fs::file_size(out));
        std::printf("%-44s %10.0f %10.0f %7.3f %9.2f %9.2f %7.2f  (%dx%d)\n", m.label.c_str(), in, outBytes,
                    outBytes / in, ours, floor, ours / floor, w, h);
    }
    return 0;
}
