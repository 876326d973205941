// File: tests/support/render_compare.cpp
// LibreOffice -> PDF -> pdftoppm -> pixels, and the two similarity figures.
#include "support/render_compare.h"
#include "support/temp_folder.h"

#include <vips/vips8>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <unistd.h>

namespace quillmax::test {

namespace fs = std::filesystem;

namespace {

void StartVips() {
    static std::once_flag once;
    std::call_once(once, [] { VIPS_INIT("quillmax-tests"); });
}

bool OnPath(const char* tool) {
    std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::string Quote(const std::string& s) {
    std::string o = "'";
    for (char c : s) {
        if (c == '\'') o += "'\\''";
        else o += c;
    }
    return o + "'";
}

PageImage ToPage(vips::VImage im) {
    PageImage p;
    p.width = im.width();
    p.height = im.height();
    size_t len = 0;
    void* mem = im.write_to_memory(&len);
    p.rgb.assign(static_cast<std::uint8_t*>(mem), static_cast<std::uint8_t*>(mem) + len);
    g_free(mem);
    return p;
}

PageImage Load(const fs::path& png, int shrink = 1) {
    auto im = vips::VImage::new_from_file(png.c_str(), vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    if (im.bands() == 4) im = im.flatten(vips::VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    if (im.bands() == 1) im = vips::VImage::bandjoin({im, im, im});
    if (shrink > 1) im = im.shrink(shrink, shrink);
    return ToPage(im.cast(VIPS_FORMAT_UCHAR));
}

PageImage Resize(const PageImage& p, int w, int h) {
    if (p.width == w && p.height == h) return p;
    auto im = vips::VImage::new_from_memory(const_cast<std::uint8_t*>(p.rgb.data()), p.rgb.size(), p.width, p.height,
                                            3, VIPS_FORMAT_UCHAR);
    im = im.resize(static_cast<double>(w) / p.width,
                   vips::VImage::option()->set("vscale", static_cast<double>(h) / p.height));
    if (im.width() != w || im.height() != h)
        im = im.embed(0, 0, w, h, vips::VImage::option()->set("extend", VIPS_EXTEND_COPY));
    return ToPage(im.cast(VIPS_FORMAT_UCHAR));
}

} // namespace

bool HaveLibreOffice() { return OnPath("soffice") && OnPath("pdftoppm"); }

namespace {

// LibreOffice converts `decks` (already in dir) to PDF beside them, with
// one throw-away profile; false when it failed or ran out of time.
bool ConvertToPdf(const fs::path& dir, const std::vector<fs::path>& decks, int timeoutSeconds) {
    std::string profile = "file://" + (dir / "profile").string();
    std::string cmd = "timeout -k 10 " + std::to_string(timeoutSeconds) + " soffice " +
                      Quote("-env:UserInstallation=" + profile) +
                      " --headless --norestore --nologo --convert-to pdf --outdir " + Quote(dir.string());
    for (const auto& d : decks) cmd += " " + Quote(d.string());
    cmd += " >>" + Quote((dir / "soffice.log").string()) + " 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// The pages of a PDF at `dpi`, in order.
std::vector<PageImage> Pages(const fs::path& pdf, int dpi, int timeoutSeconds, const std::string& what) {
    const fs::path dir = pdf.parent_path() / (pdf.stem().string() + "-pages");
    fs::create_directories(dir);
    std::string cmd = "timeout -k 5 " + std::to_string(timeoutSeconds) + " pdftoppm -r " + std::to_string(dpi) +
                      " -png " + Quote(pdf.string()) + " " + Quote((dir / "page").string()) + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("pdftoppm could not render " + what);
    std::vector<fs::path> pages;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind("page", 0) == 0 && e.path().extension() == ".png") pages.push_back(e.path());
    // page-1.png ... page-10.png: order by the number, not the text.
    auto number = [](const fs::path& p) {
        std::string s = p.stem().string();
        return std::atoi(s.substr(s.rfind('-') + 1).c_str());
    };
    std::sort(pages.begin(), pages.end(), [&](const fs::path& a, const fs::path& b) { return number(a) < number(b); });
    std::vector<PageImage> out;
    for (const auto& p : pages) out.push_back(Load(p));
    return out;
}

} // namespace

std::vector<PageImage> RenderDeck(const std::string& pptxPath, int dpi, int timeoutSeconds) {
    StartVips();
    TempFolder tmp;
    const fs::path& dir = tmp.path();
    // The input is copied so LibreOffice's lock file never lands beside it.
    fs::path in = dir / ("deck" + fs::path(pptxPath).extension().string());
    fs::copy_file(pptxPath, in);
    fs::path pdf = dir / "deck.pdf";
    if (!ConvertToPdf(dir, {in}, timeoutSeconds) || !fs::exists(pdf))
        throw std::runtime_error("LibreOffice could not convert " + pptxPath);
    return Pages(pdf, dpi, timeoutSeconds, pptxPath);
}

std::vector<std::vector<PageImage>> RenderDecks(const std::vector<std::string>& pptxPaths, int dpi,
                                                int timeoutSeconds) {
    StartVips();
    TempFolder tmp;
    const fs::path& dir = tmp.path();
    std::vector<fs::path> copies;
    for (size_t k = 0; k < pptxPaths.size(); ++k) {
        copies.push_back(dir / ("deck-" + std::to_string(k) + fs::path(pptxPaths[k]).extension().string()));
        fs::copy_file(pptxPaths[k], copies.back());
    }
    auto pdfOf = [&](size_t k) { return dir / ("deck-" + std::to_string(k) + ".pdf"); };
    // Decks are converted in order: the first without a PDF stopped the
    // batch (or cannot be converted); the ones after it go again.
    std::vector<size_t> left;
    for (size_t k = 0; k < copies.size(); ++k) left.push_back(k);
    while (!left.empty()) {
        std::vector<fs::path> batch;
        for (size_t k : left) batch.push_back(copies[k]);
        ConvertToPdf(dir, batch, timeoutSeconds);
        std::vector<size_t> again;
        bool culprit = false;
        for (size_t k : left) {
            if (fs::exists(pdfOf(k))) continue;
            if (culprit) again.push_back(k);
            culprit = true;
        }
        left = std::move(again);
    }
    std::vector<std::vector<PageImage>> out;
    for (size_t k = 0; k < copies.size(); ++k)
        out.push_back(fs::exists(pdfOf(k)) ? Pages(pdfOf(k), dpi, timeoutSeconds, pptxPaths[k])
                                           : std::vector<PageImage>{});
    return out;
}

PageImage LoadPng(const std::string& path, int shrink) {
    StartVips();
    try {
        return Load(path, shrink);
    } catch (const vips::VError& e) {
        vips_error_clear();
        throw std::runtime_error("cannot read " + path + ": " + e.what());
    }
}

PageImage Region(const PageImage& page, int x, int y, int width, int height) {
    x = std::clamp(x, 0, page.width);
    y = std::clamp(y, 0, page.height);
    width = std::clamp(width, 0, page.width - x);
    height = std::clamp(height, 0, page.height - y);
    PageImage out;
    out.width = width;
    out.height = height;
    out.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int r = 0; r < height; ++r)
        std::copy_n(&page.rgb[(static_cast<size_t>(y + r) * page.width + x) * 3], static_cast<size_t>(width) * 3,
                    &out.rgb[static_cast<size_t>(r) * width * 3]);
    return out;
}

Similarity Compare(const PageImage& a, const PageImage& bIn) {
    StartVips();
    if (a.width <= 0 || a.height <= 0 || bIn.width <= 0 || bIn.height <= 0) return {255, 0};
    PageImage b = Resize(bIn, a.width, a.height);
    Similarity s;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    s.meanAbsDiff = sum / a.rgb.size();
    // SSIM on grey over 8 x 8 blocks, averaged.
    auto grey = [](const PageImage& p, int x, int y) {
        const std::uint8_t* q = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
        return 0.299 * q[0] + 0.587 * q[1] + 0.114 * q[2];
    };
    const double c1 = std::pow(0.01 * 255, 2), c2 = std::pow(0.03 * 255, 2);
    const int bs = 8;
    double total = 0;
    int blocks = 0;
    for (int by = 0; by < a.height; by += bs)
        for (int bx = 0; bx < a.width; bx += bs) {
            int w = std::min(bs, a.width - bx), h = std::min(bs, a.height - by);
            double ma = 0, mb = 0, va = 0, vb = 0, cov = 0;
            int n = w * h;
            for (int y = by; y < by + h; ++y)
                for (int x = bx; x < bx + w; ++x) ma += grey(a, x, y), mb += grey(b, x, y);
            ma /= n, mb /= n;
            for (int y = by; y < by + h; ++y)
                for (int x = bx; x < bx + w; ++x) {
                    double da = grey(a, x, y) - ma, db = grey(b, x, y) - mb;
                    va += da * da, vb += db * db, cov += da * db;
                }
            va /= n, vb /= n, cov /= n;
            total += ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
            ++blocks;
        }
    s.ssim = blocks ? total / blocks : 1;
    return s;
}

std::vector<Similarity> CompareDecks(const std::string& pptxA, const std::string& pptxB, int dpi) {
    auto a = RenderDeck(pptxA, dpi);
    auto b = RenderDeck(pptxB, dpi);
    std::vector<Similarity> out;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i)
        out.push_back(i < a.size() && i < b.size() ? Compare(a[i], b[i]) : Similarity{255, 0});
    return out;
}

PageImage FromRgba(int width, int height, const std::vector<std::uint8_t>& rgba) {
    PageImage p;
    p.width = width;
    p.height = height;
    p.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n && i * 4 + 3 < rgba.size(); ++i) {
        unsigned a = rgba[i * 4 + 3];
        for (int c = 0; c < 3; ++c)
            p.rgb[i * 3 + c] = static_cast<std::uint8_t>((rgba[i * 4 + c] * a + 255 * (255 - a) + 127) / 255);
    }
    return p;
}

} // namespace quillmax::test
