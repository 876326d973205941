// File: tests/platform/pptx/office_renderer_test.cpp
// Metafiles drawn by the office helper: text in Japanese and Latin as a
// slide shows it, what the metafile leaves undrawn stays transparent, scans
// shown smaller are smoothed, real decks' text metafiles render, and
// metafiles that would choke the helper are refused in bounded time without
// costing the next picture. Skipped where LibreOffice or python3-uno is not
// installed.
#include "platform/pptx/office_renderer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "base/errors.h"
#include "deck_fixture.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/imaging.h"
#include "platform/pptx/metafile.h"
#include "platform/pptx/pptx_automation.h"
#include "platform/pptx/zip_io.h"
#include "support/emf_writer.h"
#include "support/render_compare.h"
#include "support/temp_folder.h"

namespace quillmax::pptx {
namespace {

using test::CorpusMedia;

using test::EmfWriter;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// "クイルマックス Quillmax 圧縮" in Noto Sans CJK JP, 40 px, dark blue on nothing.
std::string JapaneseAndLatinEmf() {
    EmfWriter e(600, 80);
    e.Font(1, 40, u"Noto Sans CJK JP");
    e.TextColour(0x1F3A7A);
    const std::u16string text = u"クイルマックス Quillmax 圧縮";
    std::vector<int> advances;
    for (char16_t c : text) advances.push_back(c < 0x80 ? (c == u' ' ? 12 : 23) : 40);
    e.Text(10, 14, text, advances.data());
    return e.Finish();
}

imaging::Rendering Draw(const std::string& emf, int w, int h) {
    return imaging::RenderMetafile({emf, "emf"}, {}, w, h, imaging::MetafileRenderer::Office);
}

// Share of pixels with visible ink in columns [x0, x1).
double Ink(const imaging::Rendering& r, int x0, int x1) {
    long ink = 0, all = 0;
    for (int y = 0; y < r.height; ++y)
        for (int x = x0; x < x1; ++x, ++all) ink += r.rgba[(static_cast<size_t>(y) * r.width + x) * 4 + 3] > 128;
    return all ? static_cast<double>(ink) / all : 0;
}

class OfficeRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!office_renderer::Available()) GTEST_SKIP() << "LibreOffice or python3-uno not installed";
        imaging::EnsureVips();
    }
};

// The converters refuse text; the helper draws it, and it matches the slide
// LibreOffice draws from a deck holding the same metafile.
TEST_F(OfficeRendererTest, JapaneseAndLatinTextIsDrawnAsTheSlideShowsIt) {
    const std::string emf = JapaneseAndLatinEmf();
    EXPECT_THROW(imaging::RenderMetafile({emf, "emf"}, {}, 600, 80, imaging::MetafileRenderer::Converters),
                 office::AutomationError);
    auto r = imaging::Render({emf, "emf"}, {}, 600, 80); // the layer's own choice
    ASSERT_EQ(r.width, 600);
    ASSERT_EQ(r.height, 80);
    EXPECT_TRUE(r.fromMetafile);
    EXPECT_TRUE(r.anyTransparent);                   // nothing behind the letters
    EXPECT_GT(Ink(r, 10, 290), 0.05) << "no kana";   // "クイルマックス"
    EXPECT_GT(Ink(r, 300, 480), 0.03) << "no Latin"; // "Quillmax"
    EXPECT_GT(Ink(r, 500, 590), 0.05) << "no kanji"; // "圧縮"

    if (!test::HaveLibreOffice()) GTEST_SKIP() << "soffice or pdftoppm not installed";
    deck::Deck d;
    d.slides.push_back({{deck::Picture({emf, "emf"}, {72, 72, 450, 60}, "Picture 1")}, {}});
    test::TempFolder dir;
    deck::Write(d, (dir.path() / "text.pptx").string());
    auto pages = test::RenderDeck((dir.path() / "text.pptx").string(), 96);
    ASSERT_EQ(pages.size(), 1u);
    auto slide = test::Region(pages[0], 96, 96, 600, 80);
    auto sim = test::Compare(slide, test::FromRgba(r.width, r.height, r.rgba));
    // PDF and poppler set the glyphs a little differently (0.91 / 6.6 when
    // measured); missing or boxed-out glyphs fall far below.
    EXPECT_GE(sim.ssim, 0.88);
    EXPECT_LE(sim.meanAbsDiff, 8.0);
    std::printf("text metafile against the slide: SSIM %.3f, mean difference %.2f\n", sim.ssim, sim.meanAbsDiff);
}

// Only what the metafile draws is opaque: JPEG is refused for it, PNG keeps
// it. A crop shows its part of the picture at the asked size.
TEST_F(OfficeRendererTest, UndrawnBackgroundStaysTransparentAndCropsCut) {
    EmfWriter e(100, 60);
    e.Brush(1, 0xCC0000);
    e.Pen(2, 1, 0xCC0000);
    e.Rectangle(30, 20, 70, 40);
    const std::string emf = e.Finish();
    auto r = Draw(emf, 200, 120);
    ASSERT_EQ(r.width, 200);
    EXPECT_TRUE(r.anyTransparent);
    EXPECT_EQ(r.rgba[3], 0); // corner
    const size_t centre = (static_cast<size_t>(60) * 200 + 100) * 4;
    EXPECT_EQ(r.rgba[centre + 3], 255);
    EXPECT_GT(r.rgba[centre], 180);
    EXPECT_LT(r.rgba[centre + 1], 40);
    EXPECT_THROW(imaging::Encode(r, imaging::kPasteJpeg), office::AutomationError);
    EXPECT_EQ(imaging::Encode(r, imaging::kPastePng).ext, "png");

    // Edges that fall between pixels are partly covered, neither darkened
    // nor paled: the drawing is averaged down with its transparency (the
    // faintest edge pixels carry LibreOffice's own paler anti-aliasing).
    auto odd = Draw(emf, 137, 82);
    int partial = 0;
    for (size_t i = 0; i + 3 < odd.rgba.size(); i += 4) {
        if (odd.rgba[i + 3] < 64 || odd.rgba[i + 3] == 255) continue;
        ++partial;
        EXPECT_GT(odd.rgba[i], 170) << "pixel " << i / 4;
        EXPECT_LT(odd.rgba[i + 1], 50) << "pixel " << i / 4;
    }
    EXPECT_GT(partial, 20);

    // The middle fifth across: all red, to the edges.
    auto mid = imaging::RenderMetafile({emf, "emf"}, {0.4, 0.4, 0.4, 0.4}, 40, 24, imaging::MetafileRenderer::Office);
    ASSERT_EQ(mid.width, 40);
    EXPECT_FALSE(mid.anyTransparent);
    EXPECT_GT(mid.rgba[0], 180);
}

// A scan shown smaller is smoothed as the presentation program smooths
// it: a one-pixel checkerboard at three quarters of its size is an even
// grey (LibreOffice alone draws it as a moire from black to white).
TEST_F(OfficeRendererTest, ShrunkBitmapsAreSmoothedNotDecimated) {
    imaging::Rendering board;
    board.width = board.height = 400;
    board.rgba.resize(400 * 400 * 4, 255);
    for (int y = 0; y < 400; ++y)
        for (int x = (y & 1); x < 400; x += 2) std::fill_n(&board.rgba[(static_cast<size_t>(y) * 400 + x) * 4], 3, 0);
    const std::string emf = imaging::WrapInEmf(board);
    auto r = Draw(emf, 300, 300);
    ASSERT_EQ(r.width, 300);
    int lo = 255, hi = 0;
    for (int y = 2; y < 298; ++y)
        for (int x = 2; x < 298; ++x) {
            const int v = r.rgba[(static_cast<size_t>(y) * 300 + x) * 4];
            lo = std::min(lo, v), hi = std::max(hi, v);
        }
    EXPECT_GE(lo, 96);
    EXPECT_LE(hi, 160);
}

// The corpus's text and EMF+ metafiles, refused before this renderer, now
// render; a WMF that declares no size gets the office's.
TEST_F(OfficeRendererTest, RealDecksTextMetafilesRender) {
    const std::string chart = CorpusMedia("poi/bug54570.pptx", "ppt/media/image1.emf");
    const std::string sizeless = CorpusMedia("shapecrawler/040_video.pptx", "ppt/media/image1.wmf");
    if (chart.empty() || sizeless.empty()) GTEST_SKIP() << "corpus not present";
    auto r = imaging::Render({chart, "emf"}, {}, 420, 270);
    EXPECT_EQ(r.width, 420);
    int w = 0, h = 0;
    imaging::ImageSize({sizeless, "wmf"}, w, h);
    EXPECT_EQ(w, 318);
    EXPECT_EQ(h, 357);
    auto s = imaging::Render({sizeless, "wmf"}, {}, w / 2, h / 2);
    EXPECT_EQ(s.height, h / 2);
}

// Damage and excess are refused before the helper sees them.
TEST_F(OfficeRendererTest, DamagedAndOversizedMetafilesAreRefusedAtOnce) {
    EmfWriter e(100, 60);
    e.Rectangle(1, 1, 50, 50);
    std::string emf = e.Finish();
    const auto t0 = Clock::now();
    std::string cut = emf.substr(0, emf.size() - 30); // the chain breaks
    EXPECT_THROW(imaging::Render({cut, "emf"}, {}, 100, 60), office::AutomationError);
    std::string broken = emf;
    broken[112] = 0x7F; // a record claiming more bytes than the file has
    EXPECT_THROW(imaging::Render({broken, "emf"}, {}, 100, 60), office::AutomationError);
    std::string huge = emf;
    huge.resize(100u << 20, '\0');
    EXPECT_THROW(imaging::Render({huge, "emf"}, {}, 100, 60), office::AutomationError);
    EXPECT_LT(Seconds(t0), 10.0); // mostly copying 100 MB on a busy machine
}

// A metafile of a million records outlasts a one-second limit: it is refused
// within the limit (plus the kill), the helper and its office are gone, and
// the next picture renders with a fresh one.
TEST_F(OfficeRendererTest, AHelperThatTakesTooLongCostsOnePicture) {
    EmfWriter small(40, 40);
    small.Brush(1, 0x00AA00);
    small.Rectangle(5, 5, 35, 35);
    const std::string ok = small.Finish();
    ASSERT_NO_THROW(Draw(ok, 40, 40)); // the helper is up
    const int first = office_renderer::HelperPid();
    ASSERT_GT(first, 0);

    EmfWriter heavy(1000, 1000);
    heavy.Pen(1, 1, 0x000000);
    for (int i = 0; i < 500000; ++i) {
        heavy.MoveTo(i % 1000, 0);
        heavy.LineTo(999 - i % 1000, 999);
    }
    const auto saved = office_renderer::CurrentLimits();
    office_renderer::SetLimits({saved.startSeconds, 1});
    const auto t0 = Clock::now();
    try {
        imaging::Render({heavy.Finish(), "emf"}, {}, 1000, 1000);
        ADD_FAILURE() << "a million records drawn within a second";
    } catch (const office::AutomationError& err) {
        // Mostly the time-out; on a machine short of memory the office may
        // give up on it first, which ends the helper the same way.
        const std::string why = err.what();
        EXPECT_TRUE(why.find("longer than 1 s") != std::string::npos ||
                    why.find("the office helper ended") != std::string::npos)
            << why;
    }
    EXPECT_LT(Seconds(t0), 8.0);
    EXPECT_EQ(office_renderer::HelperPid(), 0);
    EXPECT_NE(::kill(first, 0), 0); // ended and reaped
    const auto t1 = Clock::now();     // its office, killed with the group, is reaped by init
    while (::kill(-first, 0) == 0 && Seconds(t1) < 5) ::usleep(50000);
    EXPECT_NE(::kill(-first, 0), 0);

    office_renderer::SetLimits(saved);
    auto after = Draw(ok, 40, 40);
    EXPECT_EQ(after.width, 40);
    EXPECT_GT(office_renderer::HelperPid(), 0);
    office_renderer::Shutdown();
    EXPECT_EQ(office_renderer::HelperPid(), 0);
}

// A batch that will meet metafiles starts the helper before its first
// request, which then waits for it, and yields to it; a batch without any
// starts nothing, and a pipe among the inputs is not waited on.
TEST_F(OfficeRendererTest, ABatchWithMetafilesStartsTheHelperAhead) {
    office_renderer::Shutdown();
    test::TempFolder dir;
    const std::string plain = dir / "plain.pptx", withEmf = dir / "emf.pptx", fifo = dir / "pipe.pptx";
    test::WriteAll(plain, ZipArchiveBytes({{"ppt/media/image1.png", "x"}, {"ppt/media/image2.emf.png", "x"}}));
    test::WriteAll(withEmf, ZipArchiveBytes({{"ppt/slides/slide1.xml", "x"}, {"ppt/media/image3.EMF", "x"}}));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto automation = CreateAutomation();

    const auto t0 = Clock::now();
    // A thread already running when the helper starts.
    std::atomic<bool> started{false};
    int running = -100;
    std::thread before([&] {
        while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        running = ::getpriority(PRIO_PROCESS, 0);
    });
    automation->Prepare({fifo, dir / "missing.pptx", plain});
    EXPECT_EQ(office_renderer::HelperPid(), 0);
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    automation->Prepare({plain, withEmf});
    EXPECT_LT(Seconds(t0), 2.0); // launched, not waited for
    const int early = office_renderer::HelperPid();
    EXPECT_GT(early, 0);
    // The helper keeps the priority the program had; the program's threads,
    // running or started after, take a lower one.
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(early)), nice);
    EXPECT_GE(::getpriority(PRIO_PROCESS, 0), std::max(nice, 10));
    int later = -100;
    std::thread([&] { later = ::getpriority(PRIO_PROCESS, 0); }).join();
    EXPECT_GE(later, std::max(nice, 10));
    started = true;
    before.join();
    EXPECT_GE(running, std::max(nice, 10));

    EmfWriter e(40, 40);
    e.Brush(1, 0x00AA00);
    e.Rectangle(5, 5, 35, 35);
    auto r = Draw(e.Finish(), 40, 40);
    EXPECT_GT(Ink(r, 10, 30), 0.6); // the square drawn (rows 5 to 35 of 40)
    EXPECT_EQ(office_renderer::HelperPid(), early); // the same helper, now ready
    EXPECT_GT(office_renderer::LastStartSeconds(), 0.0);
    office_renderer::Shutdown();
}

} // namespace
} // namespace quillmax::pptx
