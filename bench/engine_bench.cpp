// File: bench/engine_bench.cpp
// Compresses a set of photo decks through the headless front end and
// prints per deck: wall time, bytes in and out, and the ratio of that time
// to a codec floor: every raster picture of the deck's media decoded,
// resampled and JPEG-encoded directly with libvips at its own size.
//
//   engine_bench [deck.pptx ...]   (default: the corpus decks with photos)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <vips/vips8>

#include "app/console_view.h"
#include "app/entry.h"
#include "app/session.h"
#include "platform/pptx/pptx_automation.h"
#include "platform/pptx/zip_io.h"
#include "settings/startup.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Media {
    std::string name;
    std::vector<char> bytes;
};

std::vector<Media> RasterMedia(const std::string& path) {
    std::vector<Media> out;
    std::ifstream in(path, std::ios::binary);
    std::string archive((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<quillmax::pptx::ZipEntry> entries;
    try {
        entries = quillmax::pptx::ZipArchiveEntries(archive);
    } catch (const std::exception&) {
        return out;
    }
    for (auto& e : entries) {
        if (e.name.rfind("ppt/media/", 0) != 0) continue;
        std::string ext = fs::path(e.name).extension().string();
        for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext != ".jpg" && ext != ".jpeg" && ext != ".png") continue;
        out.push_back(Media{e.name, std::vector<char>(e.bytes.begin(), e.bytes.end())});
    }
    return out;
}

double CodecFloorSeconds(const std::vector<Media>& media) {
    auto t0 = Clock::now();
    for (const auto& m : media) {
        try {
            auto head = vips::VImage::new_from_buffer(m.bytes.data(), m.bytes.size(), "");
            VipsBlob* source = vips_blob_new(nullptr, m.bytes.data(), m.bytes.size());
            auto im = vips::VImage::thumbnail_buffer(
                source, head.width(),
                vips::VImage::option()->set("height", head.height())->set("size", VIPS_SIZE_FORCE));
            if (im.has_alpha()) im = im.flatten(vips::VImage::option()->set("background", 255));
            if (im.bands() > 3) im = im.extract_band(0, vips::VImage::option()->set("n", 3));
            VipsBlob* blob = im.jpegsave_buffer(vips::VImage::option()->set("Q", 75)->set("strip", true));
            vips_area_unref(reinterpret_cast<VipsArea*>(blob));
            vips_area_unref(reinterpret_cast<VipsArea*>(source));
        } catch (const vips::VError&) {
        }
    }
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

std::vector<std::string> DefaultDecks() {
    std::vector<std::string> decks;
    fs::path corpus = fs::path(QUILLMAX_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::error_code ec;
    if (!fs::is_directory(corpus, ec)) return decks;
    for (auto& e : fs::recursive_directory_iterator(corpus, ec)) {
        if (!e.is_regular_file() || e.path().extension() != ".pptx") continue;
        size_t bytes = 0;
        for (auto& m : RasterMedia(e.path().string())) bytes += m.bytes.size();
        if (bytes >= 200 * 1024) decks.push_back(e.path().string());
    }
    std::sort(decks.begin(), decks.end());
    return decks;
}

} // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0])) return 2;
    std::vector<std::string> decks(argv + 1, argv + argc);
    if (decks.empty()) decks = DefaultDecks();
    if (decks.empty()) {
        std::cerr << "no decks (pass paths, or provide ../shared/corpus)\n";
        return 2;
    }
    fs::path work = fs::temp_directory_path() / ("quillmax-bench-" + std::to_string(::getpid()));
    fs::create_directories(work / "registry");

    std::printf("%-48s %9s %11s %11s %7s %9s %7s\n", "deck", "time s", "bytes in", "bytes out",
                "out/in", "floor s", "t/floor");
    double totalTime = 0, totalFloor = 0;
    for (const auto& deck : decks) {
        fs::path dir = work / std::to_string(&deck - decks.data());
        fs::create_directories(dir);
        fs::path input = dir / fs::path(deck).filename();
        fs::copy_file(deck, input, fs::copy_options::overwrite_existing);
        const auto inBytes = fs::file_size(input);

        auto automation = quillmax::pptx::CreateAutomation();
        quillmax::settings::SettingsRuntime rt(dir.string(), (work / "registry").string());
        quillmax::app::Session session;
        session.automation = automation.get();
        std::ostringstream out, err;
        std::istringstream in;
        quillmax::app::ConsoleView view(out, err, in, false);
        auto t0 = Clock::now();
        quillmax::app::RunHeadless(session, view, rt, {input.string()});
        double seconds = std::chrono::duration<double>(Clock::now() - t0).count();

        std::uintmax_t outBytes = inBytes;
        for (auto& e : fs::directory_iterator(dir))
            if (e.path().filename().string().find("【圧縮") != std::string::npos)
                outBytes = e.file_size();
        double floor = CodecFloorSeconds(RasterMedia(input.string()));
        totalTime += seconds;
        totalFloor += floor;
        std::printf("%-48.48s %9.3f %11ju %11ju %7.3f %9.3f %7.2f\n",
                    fs::path(deck).filename().string().c_str(), seconds,
                    static_cast<std::uintmax_t>(inBytes), outBytes,
                    static_cast<double>(outBytes) / static_cast<double>(inBytes), floor,
                    floor > 0 ? seconds / floor : 0.0);
    }
    std::printf("%-48s %9.3f %11s %11s %7s %9.3f %7.2f\n", "total", totalTime, "", "", "",
                totalFloor, totalFloor > 0 ? totalTime / totalFloor : 0.0);
    std::error_code ec;
    fs::remove_all(work, ec);
    vips_shutdown();
    return 0;
}
