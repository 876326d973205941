// File: bench/metafile_bench.cpp
// Every EMF/WMF in the corpus decks' media parts, drawn by the office
// helper (LibreOffice's renderer), by the SVG converters (libemf2svg /
// libwmf behind their guard) and by the renderer the layer chooses, at its
// natural size (fitted into 1200 x 900 px). The reference is LibreOffice
// Impress drawing a slide that shows only the metafile
// (bench/metafile_reference.py): the slide is the picture's size on a grid
// where every pixel is a whole 27/100 mm and a whole 9720 EMU, so both
// land on whole pixels; it is drawn at up to 8 times the size and averaged
// down (LibreOffice's own drawing at 1x snaps glyphs and bitmap edges to
// pixels differently with the page it draws, and shrinks scans without
// smoothing); the 1x drawing is shown beside it. Prints, per file: kind,
// size, who rendered it and in what time, SSIM (tests/support/render_compare)
// against both references, or the refusal; then the helper's start time,
// the share rendered, and the no-hang cases (corrupt, 10^6 records,
// 100 MB) with their time to refusal.
//   build/bench/metafile_bench [corpus folder]
//   QMX_BENCH_KEEP=folder: the metafiles, references and renderings are
//   written there to look at.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

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

// A reference pixel: 27/100 mm (LibreOffice's unit) = 9720 EMU (the deck's).
constexpr double kRefPixelPt = 9720.0 / 12700.0;
// LibreOffice exports at most about 2^24 pixels (it shrinks larger asks).
constexpr double kRefPixels = 16e6;

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

std::uint32_t Le32(const std::string& b, size_t at) {
    std::uint32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
    return v;
}

// "EMF+" for an EMF carrying EMF+ records in its comments.
std::string KindOf(const std::string& b) {
    switch (metafile::Sniff(b)) {
    case metafile::Kind::Wmf: return "WMF";
    case metafile::Kind::None: return "?";
    case metafile::Kind::Emf: break;
    }
    for (size_t at = 0; at + 16 <= b.size();) {
        const std::uint32_t type = Le32(b, at), size = Le32(b, at + 4);
        if (type == 70 && Le32(b, at + 8) >= 4 && b.compare(at + 12, 4, "EMF+") == 0) return "EMF+";
        if (type == 14 || size < 8) break;
        at += size;
    }
    return "EMF";
}

struct Try {
    std::optional<imaging::Rendering> r;
    std::string why;
    double ms = 0;
};

struct Item {
    std::string deck, part, ext, bytes, kind;
    int w = 0, h = 0, refScale = 1;
    Try office, svg, chosen;
    MetafileRenderer chosenBy = MetafileRenderer::Best;
    std::optional<test::PageImage> ref, ref1x;
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

std::optional<test::PageImage> Load(const fs::path& png, int shrink) {
    try {
        return test::LoadPng(png.string(), shrink);
    } catch (const std::runtime_error&) {
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

double Ssim(const Try& t, const std::optional<test::PageImage>& ref) {
    if (!t.r || !ref) return -1;
    return test::Compare(*ref, test::FromRgba(t.r->width, t.r->height, t.r->rgba)).ssim;
}

std::string Figure(double ssim) {
    char buf[16];
    std::snprintf(buf, sizeof buf, ssim < 0 ? "    -" : "%5.3f", ssim);
    return buf;
}

std::string Cell(const Try& t, const std::optional<test::PageImage>& ref) {
    char buf[96];
    if (!t.r) {
        std::string why = t.why.substr(t.why.rfind(':') + 1);
        std::snprintf(buf, sizeof buf, "%5.0f refused(%.12s)", t.ms, why.c_str());
    } else {
        std::snprintf(buf, sizeof buf, "%5.0f %-15s", t.ms, Figure(Ssim(t, ref)).c_str());
    }
    return buf;
}

void Keep(const char* folder, const Item& it, size_t i, const fs::path& dir) {
    const fs::path keep(folder);
    const std::string n = std::to_string(i);
    std::error_code ec;
    std::ofstream(keep / (n + "." + it.ext), std::ios::binary) << it.bytes;
    fs::copy_file(dir / (n + "-ref.png"), keep / (n + "-ref.png"), fs::copy_options::overwrite_existing, ec);
    fs::copy_file(dir / (n + "-ref1x.png"), keep / (n + "-ref1x.png"), fs::copy_options::overwrite_existing, ec);
    for (auto [t, name] : {std::pair{&it.office, "office"}, {&it.svg, "converters"}, {&it.chosen, "chosen"}})
        if (t->r)
            std::ofstream(keep / (n + "-" + name + ".png"), std::ios::binary)
                << imaging::Encode(*t->r, imaging::kPastePng).bytes;
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
            it.kind = KindOf(it.bytes);
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
        it.refScale = std::clamp(static_cast<int>(std::sqrt(kRefPixels / (static_cast<double>(it.w) * it.h))), 1, 8);
        try {
            it.chosenBy = imaging::ChosenMetafileRenderer({it.bytes, it.ext});
        } catch (const office::AutomationError&) {
        }
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
    s0 = Clock::now();
    for (auto& it : items) it.chosen = Draw(it, MetafileRenderer::Best);
    const double chosenAll = Ms(s0);
    office_renderer::Shutdown(); // the reference's office gets the machine to itself

    // The references: one deck per metafile, its slide exactly the picture.
    const fs::path dir = fs::temp_directory_path() / ("qmx-metafile-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        std::ofstream jobs(dir / "jobs.txt");
        for (size_t i = 0; i < items.size(); ++i) {
            const auto& it = items[i];
            deck::Deck d;
            d.widthPt = it.w * kRefPixelPt;
            d.heightPt = it.h * kRefPixelPt;
            d.slides.push_back(
                {{deck::Picture({it.bytes, it.ext}, {0, 0, d.widthPt, d.heightPt}, "Picture 1")}, {}});
            const fs::path pptx = dir / (std::to_string(i) + ".pptx");
            deck::Write(d, pptx.string());
            const int f = it.refScale;
            jobs << pptx.string() << '\t' << (dir / (std::to_string(i) + "-ref.png")).string() << '\t' << it.w * f
                 << '\t' << it.h * f << '\n';
            jobs << pptx.string() << '\t' << (dir / (std::to_string(i) + "-ref1x.png")).string() << '\t' << it.w
                 << '\t' << it.h << '\n';
        }
    }
    auto t0 = Clock::now();
    auto answers = Lines("timeout -k 5 900 /usr/bin/python3 " QUILLMAX_SOURCE_DIR "/bench/metafile_reference.py " +
                         (dir / "jobs.txt").string() + " 2>/dev/null");
    std::printf("reference rendering: %s pictures in %.0f s\n", answers.empty() ? "no" : answers[0].c_str(),
                Ms(t0) / 1000);
    const char* keep = std::getenv("QMX_BENCH_KEEP");
    for (size_t i = 0; i < items.size(); ++i) {
        auto& it = items[i];
        const std::string n = std::to_string(i);
        it.ref = Load(dir / (n + "-ref.png"), it.refScale);
        it.ref1x = Load(dir / (n + "-ref1x.png"), 1);
        // An export LibreOffice made at another size than asked is no reference.
        if (it.ref && (it.ref->width != it.w || it.ref->height != it.h)) it.ref.reset();
        if (it.ref1x && (it.ref1x->width != it.w || it.ref1x->height != it.h)) it.ref1x.reset();
        if (keep) Keep(keep, it, i, dir);
    }
    fs::remove_all(dir);

    int officePassing = 0, chosenRendered = 0, chosenPassing = 0, svgRendered = 0;
    std::printf("\nSSIM against LibreOffice's slide drawing, averaged down from the x-fold size given (1x: drawn at "
                "the size itself)\n");
    std::printf("%-3s %-48s %-4s %8s %8s %2s | %-21s | %-21s | %-10s %5s %5s %5s\n", "#", "metafile", "kind",
                "bytes", "px", "x", "office: ms SSIM", "converters: ms SSIM", "chosen", "ms", "SSIM", "1x");
    for (size_t i = 0; i < items.size(); ++i) {
        const auto& it = items[i];
        std::string name = it.deck + ":" + it.part.substr(it.part.rfind('/') + 1);
        if (name.size() > 48) name = name.substr(0, 22) + "~" + name.substr(name.size() - 25);
        char px[32];
        std::snprintf(px, sizeof px, "%dx%d", it.w, it.h);
        const double so = Ssim(it.office, it.ref), sc = Ssim(it.chosen, it.ref);
        officePassing += so >= 0.95;
        chosenRendered += it.chosen.r.has_value();
        chosenPassing += sc >= 0.95;
        svgRendered += it.svg.r.has_value();
        const char* by = !it.chosen.r ? "refused"
                         : it.chosenBy == MetafileRenderer::Office ? "office"
                                                                   : "converters";
        std::printf("%-3zu %-48s %-4s %8zu %8s %2d | %s | %s | %-10s %5.0f %s %s\n", i, name.c_str(),
                    it.kind.c_str(), it.bytes.size(), px, it.refScale, Cell(it.office, it.ref).c_str(),
                    Cell(it.svg, it.ref).c_str(), by, it.chosen.ms, Figure(sc).c_str(),
                    Figure(Ssim(it.chosen, it.ref1x)).c_str());
    }
    int officeRendered = 0;
    for (auto& it : items) officeRendered += it.office.r.has_value();
    const double n = items.empty() ? 1.0 : static_cast<double>(items.size());
    std::printf("\nrendered by the office helper: %d of %zu (%.0f %%), SSIM >= 0.95: %d\n", officeRendered,
                items.size(), 100.0 * officeRendered / n, officePassing);
    std::printf("rendered by the converters:     %d of %zu (%.0f %%)\n", svgRendered, items.size(),
                100.0 * svgRendered / n);
    std::printf("rendered as the layer chooses:  %d of %zu (%.0f %%), SSIM >= 0.95: %d\n", chosenRendered,
                items.size(), 100.0 * chosenRendered / n, chosenPassing);
    std::printf("office helper: start %.1f s; all files %.0f ms, %.0f ms per file\n", start, officeAll,
                officeAll / n);
    std::printf("converters:    all files %.0f ms, %.0f ms per file\n", svgAll, svgAll / n);
    std::printf("as chosen:     all files %.0f ms, %.0f ms per file\n", chosenAll, chosenAll / n);

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
