// File: tests/platform/pptx/metafile_test.cpp
// The EMF container read back through the metafile path, metafiles that
// must be refused, and a real deck's EMF where the corpus is present.
#include "platform/pptx/metafile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/errors.h"
#include "deck_fixture.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/imaging.h"

namespace quillmax::pptx {
namespace {

using test::CorpusMedia;

double MeanAbsDiff(const imaging::Rendering& a, const imaging::Rendering& b) {
    auto ra = imaging::ToRaster(a), rb = imaging::ToRaster(b);
    double sum = 0;
    for (size_t i = 0; i < ra.pixels.size(); ++i)
        for (int s = 0; s < 24; s += 8)
            sum += std::abs(int((ra.pixels[i] >> s) & 255) - int((rb.pixels[i] >> s) & 255));
    return sum / (ra.pixels.size() * 3.0);
}

TEST(MetafileEmf, OurEmfRendersBackAsTheBitmap) {
    auto photo = imaging::Render({deck::MakePhotoJpeg(400, 300, 3, 90), "jpeg"}, {}, 200, 150);
    imaging::EncodedImage emf{imaging::WrapInEmf(photo), "emf"};
    EXPECT_EQ(metafile::Sniff(emf.bytes), metafile::Kind::Emf);
    int w = 0, h = 0;
    imaging::ImageSize(emf, w, h);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 150);
    auto back = imaging::Render(emf, {}, 200, 150);
    EXPECT_TRUE(back.fromMetafile);
    EXPECT_LT(MeanAbsDiff(photo, back), 6.0);

    // With transparency the picture travels as AlphaBlend and stays see-through.
    auto soft = imaging::Render({deck::MakeTransparentPng(80, 80, true), "png"}, {}, 80, 80);
    auto softBack = imaging::Render({imaging::WrapInEmf(soft), "emf"}, {}, 80, 80);
    EXPECT_EQ(softBack.rgba[3], 0);
    const size_t centre = (static_cast<size_t>(40) * 80 + 40) * 4;
    EXPECT_EQ(softBack.rgba[centre + 3], 255);
    EXPECT_NEAR(softBack.rgba[centre], soft.rgba[centre], 8);
}

TEST(MetafileEmf, RefusesWhatCannotBeRendered) {
    EXPECT_THROW(imaging::Render({"garbage that is no metafile", "emf"}, {}, 10, 10), office::AutomationError);
    // A header and an end record: valid, but it draws nothing.
    imaging::Rendering one;
    one.width = one.height = 1;
    one.rgba = {0, 0, 0, 255};
    std::string emf = imaging::WrapInEmf(one);
    std::string empty = emf.substr(0, 108) + emf.substr(emf.size() - 20);
    std::uint32_t n = static_cast<std::uint32_t>(empty.size()), records = 2;
    std::memcpy(&empty[48], &n, 4);
    std::memcpy(&empty[52], &records, 4);
    try {
        imaging::Render({empty, "emf"}, {}, 10, 10);
        FAIL() << "an empty metafile was rendered";
    } catch (const office::AutomationError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot render metafile"), std::string::npos);
    }
    // Truncated in the middle of its bitmap.
    auto photo = imaging::Render({deck::MakePhotoJpeg(64, 64, 1, 90), "jpeg"}, {}, 64, 64);
    std::string cut = imaging::WrapInEmf(photo).substr(0, 500);
    EXPECT_THROW(imaging::Render({cut, "emf"}, {}, 10, 10), office::AutomationError);
    EXPECT_THROW(imaging::Render({"x", "emz"}, {}, 10, 10), office::AutomationError);
}

// Our bitmap EMF with records spliced in before its end record.
std::string WithRecords(const std::vector<std::vector<std::uint32_t>>& records) {
    imaging::Rendering px;
    px.width = px.height = 8;
    px.rgba.assign(8 * 8 * 4, 200);
    std::string emf = imaging::WrapInEmf(px);
    std::string extra;
    for (auto& r : records) {
        std::uint32_t head[2] = {r[0], static_cast<std::uint32_t>(8 + 4 * (r.size() - 1))};
        extra.append(reinterpret_cast<const char*>(head), 8);
        extra.append(reinterpret_cast<const char*>(r.data() + 1), 4 * (r.size() - 1));
    }
    emf.insert(emf.size() - 20, extra);
    std::uint32_t n = static_cast<std::uint32_t>(emf.size());
    std::memcpy(&emf[48], &n, 4);
    return emf;
}

TEST(MetafileEmf, FeaturesRenderedWronglyAreRefused) {
    auto refused = [](const std::string& emf, const char* why) {
        try {
            imaging::RenderMetafile({emf, "emf"}, {}, 8, 8, imaging::MetafileRenderer::Converters);
            ADD_FAILURE() << "rendered although it " << why;
        } catch (const office::AutomationError& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
    };
    // EXTTEXTOUTW (its body does not matter to the guard).
    refused(WithRecords({{84, 0, 0, 0, 0, 1, 0, 0}}), "draws text");
    refused(WithRecords({{30, 0, 0, 4, 4}}), "clips its drawing");
    refused(WithRecords({{35, 0x3F800000, 0, 0, 0x3F800000, 0x41200000, 0}}), "transforms its drawing");
    refused(WithRecords({{70, 8, 0x2B464D45, 0}}), "EMF+");
    // BEGINPATH, SELECTOBJECT (a stock brush), ENDPATH, FILLPATH.
    refused(WithRecords({{59}, {37, 0x80000000}, {60}, {62, 0, 0, 8, 8}}), "inside a path");
    // Harmless: identity transform, clip reset, a brush chosen before the path.
    auto fine = WithRecords({{35, 0x3F800000, 0, 0, 0x3F800000, 0, 0},
                             {75, 0, 5},
                             {37, 0x80000000},
                             {59},
                             {60},
                             {62, 0, 0, 8, 8}});
    EXPECT_NO_THROW(imaging::RenderMetafile({fine, "emf"}, {}, 8, 8, imaging::MetafileRenderer::Converters));
}

TEST(MetafileCorpus, RendersAPictureEmfAndRefusesAChartWithText) {
    std::string emf = CorpusMedia("poi/bug54570.pptx", "ppt/media/image1.emf");
    if (emf.empty()) GTEST_SKIP() << "corpus not present";
    int w = 0, h = 0;
    imaging::ImageSize({emf, "emf"}, w, h);
    EXPECT_EQ(w, 2101);
    EXPECT_EQ(h, 1348);
    // The converters get its text, clipping and transforms wrong (buttons
    // and frame lost, legend moved): they refuse it rather than paste it.
    EXPECT_THROW(imaging::RenderMetafile({emf, "emf"}, {}, 420, 270, imaging::MetafileRenderer::Converters),
                 office::AutomationError);

    // A picture-only EMF (one bitmap) renders.
    std::string pic = CorpusMedia("tika/testPPT_EmbeddedPDF.pptx", "ppt/media/image1.emf");
    ASSERT_FALSE(pic.empty());
    imaging::ImageSize({pic, "emf"}, w, h);
    auto r = imaging::Render({pic, "emf"}, {}, w, h);
    EXPECT_EQ(r.width, w);
    auto raster = imaging::ToRaster(r);
    size_t white = 0, dark = 0;
    for (auto p : raster.pixels) white += p == 0xFFFFFF, dark += ((p >> 16) & 255) < 100;
    EXPECT_GT(white, 0u);
    EXPECT_GT(dark, 50u);

    std::string wmf = CorpusMedia("aspose-net/AnimationShapesExample.pptx", "ppt/media/image1.wmf");
    if (!wmf.empty()) {
        EXPECT_THROW(imaging::RenderMetafile({wmf, "wmf"}, {}, 64, 64, imaging::MetafileRenderer::Converters),
                     office::AutomationError);
    }
}

// WMFs go to libwmf for their drawing (and a size where none is declared):
// it reads them where its fonts are installed; elsewhere what it cannot
// read comes back as a refusal. Either way its own reports (a font map it
// cannot load) never reach the user's terminal.
TEST(MetafileCorpus, WmfReaderRefusesQuietly) {
    const std::string wmf = CorpusMedia("poi/bug62513.pptx", "ppt/media/image3.wmf");
    const std::string sizeless = CorpusMedia("shapecrawler/040_video.pptx", "ppt/media/image1.wmf");
    if (wmf.empty() || sizeless.empty()) GTEST_SKIP() << "corpus not present";
    ASSERT_EQ(metafile::Sniff(wmf), metafile::Kind::Wmf);
    std::fflush(stderr);
    const int saved = ::dup(2);
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    ::dup2(::fileno(sink), 2);
    for (const std::string* b : {&wmf, &sizeless}) {
        int w = 0, h = 0;
        double sw = 0, sh = 0;
        try {
            metafile::PixelSize(*b, w, h);
            EXPECT_TRUE(w > 0 && h > 0);
        } catch (const office::AutomationError&) { // libwmf without its fonts
        }
        try {
            metafile::ToSvg(*b, sw, sh);
            EXPECT_TRUE(sw > 0 && sh > 0);
        } catch (const office::AutomationError&) { // libwmf without its fonts
        }
    }
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::string said(static_cast<size_t>(std::ftell(sink)), '\0');
    std::rewind(sink);
    said.resize(std::fread(said.data(), 1, said.size(), sink));
    std::fclose(sink);
    EXPECT_EQ(said, "");
}

} // namespace
} // namespace quillmax::pptx
