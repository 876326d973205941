// File: bench/metafile_bench.cpp
// Every EMF/WMF in the corpus decks' media parts, drawn by the office
// helper (LibreOffice's renderer), by the SVG converters (libemf2svg /
// libwmf behind their guard) and by the renderer the layer chooses, at its
// natural size (fitted into 1200 x 900 px). The reference is LibreOffice
// Impress's drawing of a slide showing the same metafile at the same size
// (bench/metafile_reference.py). Prints, per file: size, time of each
// renderer, SSIM / mean absolute difference against the reference, or the
// refusal; then the helper's start time, the share rendered, and the no-hang
// cases (corrupt, 10^6 records, 100 MB) with their time to refusal.
//   build/bench/metafile_bench [corpus folder]
#include <vips/vips8>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/imaging.h"
#include "platform/pptx/metafile.h"
#include "platform/pptx/office_renderer.h"
#include "support/emf_writer.h"
#include "support/render_compare.h"

using namespace quillmax;
using namespace quillmax::pptx;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using imaging::MetafileRenderer;

namespace {

double Ms(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

std::vector<std::string> Lines(const std::string& cmd) {
    std::vector<std::string> out;
    if (FILE* f = popen(cmd.c_str(), "r")) {
        char buf[4096];
        while (fgets(buf, sizeof buf, f)) {
            std::string s(buf);
            while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
            out.push_back(s);
        }
        pclose(f);
    }
    return out;
}

std::string Bytes(const std::string& cmd) {
    std::string out;
    if (FILE* f = popen(cmd.c_str(), "r")) {
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        pclose(f);
    }
    return out;
}

struct Try {
    std::optional<imaging::Rendering> r;
    std::string why;
    double ms = 0;
};

struct Item {
    std::string deck, part, ext, bytes;
    int w = 0, h = 0;
    Try office, svg, chosen;
    std::optional<test::PageImage> ref;
};

Try Draw(const Item& it, MetafileRenderer who) {
    Try t;
    auto t0 = Clock::now();
    try {
        t.r = imaging::RenderMetafile({it.bytes, it.ext}, {}, it.w, it.h, who);
    } catch (const office::AutomationError& e) {
        t.why = e.what();
    }
    t.ms = Ms(t0);
    return t;
}

std::optional<test::PageImage> LoadFlat(const fs::path& png) {
    try {
        auto im = vips::VImage::new_from_file(png.c_str());
        if (im.bands() == 4) im = im.flatten(vips::VImage::option()->set("background", std::vector<double>{255, 255, 255}));
        if (im.bands() == 1) im = vips::VImage::bandjoin({im, im, im});
        im = im.cast(VIPS_FORMAT_UCHAR);
        test::PageImage p;
        p.width = im.width();
        p.height = im.height();
        size_t len = 0;
        void* mem = im.write_to_memory(&len);
        p.rgb.assign(static_cast<std::uint8_t*>(mem), static_cast<std::uint8_t*>(mem) + len);
        g_free(mem);
        return p;
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
}

void NoHang(const char* label, const std::string& bytes, int w, int h) {
    auto t0 = Clock::now();
    std::string result = "rendered";
    try {
        imaging::RenderMetafile({bytes, "emf"}, {}, w, h, MetafileRenderer::Best);
    } catch (const office::AutomationError& e) {
        result = std::string("refused: ") + e.what();
    }
    std::printf("  %-28s %8.0f ms  %s\n", label, Ms(t0), result.substr(0, 110).c_str());
}

std::string Cell(const Try& t, const std::optional<test::PageImage>& ref, double* ssim = nullptr) {
    char buf[160];
    if (!t.r) {
        std::string why = t.why.substr(t.why.rfind(':') + 1);
        std::snprintf(buf, sizeof buf, "%6.0f refused (%.36s)", t.ms, why.c_str());
        return buf;
    }
    if (!ref) {
        std::snprintf(buf, sizeof buf, "%6.0f   -     -  ", t.ms);
        return buf;
    }
    auto sim = test::Compare(*ref, test::FromRgba(t.r->width, t.r->height, t.r->rgba));
    if (ssim) *ssim = sim.ssim;
    std::snprintf(buf, sizeof buf, "%6.0f %5.3f %5.2f", t.ms, sim.ssim, sim.meanAbsDiff);
    return buf;
}

} // namespace

int main(int argc, char** argv) {
    const std::string corpus = argc > 1 ? argv[1] : QUILLMAX_SOURCE_DIR "/../shared/corpus";
    imaging::EnsureVips();
    std::vector<Item> items;
    for (auto& e : fs::recursive_directory_iterator(corpus)) {
        const std::string ext = e.path().extension().string();
        if (ext != ".pptx" && ext != ".pptm" && ext != ".ppsx" && ext != ".potx") continue;
        for (auto& name : Lines("unzip -Z1 '" + e.path().string() + "' 2>/dev/null")) {
            std::string lower = name;
            std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
            if (lower.size() < 4) continue;
            std::string x = lower.substr(lower.size() - 4);
            if (x != ".emf" && x != ".wmf" && x != ".emz" && x != ".wmz") continue;
            Item it;
            it.deck = fs::relative(e.path(), corpus).string();
            it.part = name;
            it.ext = x.substr(1);
            it.bytes = Bytes("unzip -p '" + e.path().string() + "' '" + name + "'");
            items.push_back(std::move(it));
        }
    }
    std::sort(items.begin(), items.end(), [](auto& a, auto& b) { return a.deck + a.part < b.deck + b.part; });
    std::printf("%zu metafiles in %s\n", items.size(), corpus.c_str());

    for (auto& it : items) {
        int w = 0, h = 0;
        try {
            imaging::ImageSize({it.bytes, it.ext}, w, h);
        } catch (const office::AutomationError&) {
            w = h = 0;
        }
        double k = std::min({1.0, w > 0 ? 1200.0 / w : 1.0, h > 0 ? 900.0 / h : 1.0});
        it.w = std::max(1, static_cast<int>(w * k));
        it.h = std::max(1, static_cast<int>(h * k));
    }

    // The helper's start, then every metafile through it.
    office_renderer::Shutdown();
    {
        int w = 0, h = 0;
        std::string why;
        test::EmfWriter e(10, 10);
        e.Rectangle(1, 1, 8, 8);
        office_renderer::NaturalSize(e.Finish(), "emf", w, h, why);
    }
    auto s0 = Clock::now();
    for (auto& it : items) it.office = Draw(it, MetafileRenderer::Office);
    const double officeAll = Ms(s0);
    const double start = office_renderer::LastStartSeconds();
    s0 = Clock::now();
    for (auto& it : items) it.svg = Draw(it, MetafileRenderer::Converters);
    const double svgAll = Ms(s0);
    for (auto& it : items) it.chosen = Draw(it, MetafileRenderer::Best);

    // The reference: LibreOffice Impress's slides, each showing one metafile
    // in its top left corner at the same size.
    const fs::path dir = fs::temp_directory_path() / ("qmx-metafile-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    deck::Deck d;
    d.widthPt = 900;
    d.heightPt = 675;
    for (auto& it : items)
        d.slides.push_back({{deck::Picture({it.bytes, it.ext}, {0, 0, it.w * 0.75, it.h * 0.75}, "Picture 1")}, {}});
    deck::Write(d, (dir / "all.pptx").string());
    auto t0 = Clock::now();
    auto answers = Lines("timeout -k 5 900 /usr/bin/python3 " QUILLMAX_SOURCE_DIR "/bench/metafile_reference.py " +
                         (dir / "all.pptx").string() + " " + dir.string() + " 1200 900 2>/dev/null");
    std::printf("reference rendering: %s slides in %.0f s\n", answers.empty() ? "no" : answers[0].c_str(),
                Ms(t0) / 1000);
    const char* keep = std::getenv("QMX_BENCH_KEEP"); // a folder for the pictures, to look at
    for (size_t i = 0; i < items.size(); ++i) {
        const auto png = dir / (std::to_string(i) + ".png");
        if (auto page = LoadFlat(png)) items[i].ref = test::Region(*page, 0, 0, items[i].w, items[i].h);
        if (!keep) continue;
        std::error_code ec;
        fs::copy_file(png, fs::path(keep) / (std::to_string(i) + "-ref.png"), fs::copy_options::overwrite_existing, ec);
        if (auto& r = items[i].office.r)
            std::ofstream(fs::path(keep) / (std::to_string(i) + "-office.png"), std::ios::binary)
                << imaging::Encode(*r, imaging::kPastePng).bytes;
        if (auto& r = items[i].svg.r)
            std::ofstream(fs::path(keep) / (std::to_string(i) + "-converters.png"), std::ios::binary)
                << imaging::Encode(*r, imaging::kPastePng).bytes;
    }
    fs::remove_all(dir);

    int rendered = 0, passing = 0, chosenRendered = 0, chosenPassing = 0;
    std::printf("\n%-62s %9s %9s | %-22s | %-22s | %s\n", "metafile", "bytes", "px", "office: ms SSIM MAD",
                "converters: ms SSIM MAD", "chosen: ms SSIM MAD");
    for (auto& it : items) {
        std::string name = it.deck + ":" + it.part.substr(it.part.rfind('/') + 1);
        double so = 0, sc = 0;
        std::string o = Cell(it.office, it.ref, &so), c = Cell(it.svg, it.ref), b = Cell(it.chosen, it.ref, &sc);
        rendered += it.office.r.has_value();
        passing += it.office.r && so >= 0.95;
        chosenRendered += it.chosen.r.has_value();
        chosenPassing += it.chosen.r && sc >= 0.95;
        char px[32];
        std::snprintf(px, sizeof px, "%dx%d", it.w, it.h);
        std::printf("%-62s %9zu %9s | %s | %s | %s\n", name.substr(0, 62).c_str(), it.bytes.size(), px, o.c_str(),
                    c.c_str(), b.c_str());
    }
    int svgRendered = 0;
    for (auto& it : items) svgRendered += it.svg.r.has_value();
    const double n = items.empty() ? 1.0 : static_cast<double>(items.size());
    std::printf("\nrendered by the office helper: %d of %zu (%.0f %%), SSIM >= 0.95: %d\n", rendered, items.size(),
                100.0 * rendered / n, passing);
    std::printf("rendered by the converters:     %d of %zu (%.0f %%)\n", svgRendered, items.size(), 100.0 * svgRendered / n);
    std::printf("rendered as the layer chooses:  %d of %zu (%.0f %%), SSIM >= 0.95: %d\n", chosenRendered, items.size(),
                100.0 * chosenRendered / n, chosenPassing);
    std::printf("office helper: start %.1f s; all files %.0f ms, %.0f ms per file\n", start, officeAll, officeAll / n);
    std::printf("converters:    all files %.0f ms, %.0f ms per file\n", svgAll, svgAll / n);

    std::printf("\nno-hang cases, as the layer chooses (render limit %d s, start limit %d s):\n",
                office_renderer::CurrentLimits().renderSeconds, office_renderer::CurrentLimits().startSeconds);
    test::EmfWriter small(100, 60);
    small.Rectangle(1, 1, 50, 50);
    std::string emf = small.Finish();
    std::string corrupt = emf;
    corrupt[112] = 0x7F;
    NoHang("corrupt record chain", corrupt, 100, 60);
    test::EmfWriter heavy(1000, 1000);
    heavy.Pen(1, 1, 0);
    for (int i = 0; i < 500000; ++i) {
        heavy.MoveTo(i % 1000, 0);
        heavy.LineTo(999 - i % 1000, 999);
    }
    NoHang("10^6 records (16 MB)", heavy.Finish(), 1000, 1000);
    std::string huge = emf;
    huge.resize(100u << 20, '\0');
    NoHang("100 MB", huge, 100, 60);
    NoHang("a small one afterwards", emf, 100, 60);
    office_renderer::Shutdown();
    return 0;
}
