// File: tests/platform/pptx/imaging_test.cpp
// Rendering at a size and crop, the formats that refuse what they cannot
// carry, the pixel limits, and the raster handed to the pixel check.
#include "platform/pptx/imaging.h"

#include <gtest/gtest.h>
#include <vips/vips8>

#include <cstring>

#include "base/errors.h"
#include "fixtures/deck_builder.h"

namespace quillmax::pptx::imaging {
namespace {

// Left half red, right half blue, as a PNG.
EncodedImage Halves(int w, int h) {
    EnsureVips();
    auto x = vips::VImage::xyz(w, h)[0];
    auto left = x < (w / 2.0);
    auto im = vips::VImage::bandjoin({left.ifthenelse(255, 0), vips::VImage::black(w, h), left.ifthenelse(0, 255)})
                  .cast(VIPS_FORMAT_UCHAR)
                  .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    void* buf = nullptr;
    size_t len = 0;
    im.write_to_buffer(".png", &buf, &len);
    EncodedImage out{std::string(static_cast<char*>(buf), len), "png"};
    g_free(buf);
    return out;
}

std::uint32_t Pixel(const Rendering& r, int x, int y) {
    const auto* p = &r.rgba[(static_cast<size_t>(y) * r.width + x) * 4];
    return (p[0] << 16) | (p[1] << 8) | p[2];
}

std::uint32_t Crc(const std::string& s) {
    std::uint32_t c = 0xFFFFFFFF;
    for (unsigned char b : s) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// A PNG that claims w x h pixels (header only, no image data worth decoding).
EncodedImage ClaimedPng(std::uint32_t w, std::uint32_t h) {
    auto be = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    std::string ihdr = "IHDR" + be(w) + be(h) + std::string("\x08\x02\x00\x00\x00", 5);
    std::string png = "\x89PNG\r\n\x1a\n" + be(13) + ihdr + be(Crc(ihdr));
    std::string idat = "IDAT" + std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    png += be(8) + idat + be(Crc(idat));
    std::string iend = "IEND";
    png += be(0) + iend + be(Crc(iend));
    return {png, "png"};
}

TEST(ImagingRender, GivesTheAskedSizeAndHonoursTheCrop) {
    auto img = Halves(400, 200);
    auto whole = Render(img, {}, 120, 90); // stretched: the shape need not keep the aspect
    EXPECT_EQ(whole.width, 120);
    EXPECT_EQ(whole.height, 90);
    EXPECT_EQ(Pixel(whole, 5, 45), 0xFF0000u);
    EXPECT_EQ(Pixel(whole, 114, 45), 0x0000FFu);
    EXPECT_FALSE(whole.anyTransparent);

    // Only the right half is visible: all blue.
    auto right = Render(img, {0.5, 0, 0, 0}, 50, 50);
    EXPECT_EQ(Pixel(right, 0, 0), 0x0000FFu);
    EXPECT_EQ(Pixel(right, 49, 49), 0x0000FFu);

    // Left 10% cut and right 40% cut: the red/blue edge moves to 40/50 = 80%.
    auto off = Render(img, {0.1, 0, 0.4, 0}, 100, 10);
    EXPECT_EQ(Pixel(off, 75, 5), 0xFF0000u);
    EXPECT_EQ(Pixel(off, 85, 5), 0x0000FFu);

    // A negative inset extends the picture with clear pixels.
    auto wider = Render(img, {-0.5, 0, 0, 0}, 150, 50);
    EXPECT_TRUE(wider.anyTransparent);
    EXPECT_EQ(wider.rgba[3], 0);
    EXPECT_EQ(wider.rgba[(static_cast<size_t>(25) * 150 + 149) * 4 + 3], 255);
}

TEST(ImagingRender, ShrinksALargePhotoToTheRenderingsSize) {
    EncodedImage photo{deck::MakePhotoJpeg(4000, 3000, 5, 90), "jpeg"};
    auto r = Render(photo, {}, 384, 288);
    auto jpeg = Encode(r, kPasteJpeg);
    int w = 0, h = 0;
    ImageSize(jpeg, w, h);
    EXPECT_EQ(w, 384);
    EXPECT_EQ(h, 288);
    EXPECT_EQ(jpeg.ext, "jpeg");
    EXPECT_LT(jpeg.bytes.size(), photo.bytes.size() / 50);
}

// Mean colour difference (CIEDE2000) between a rendering and a flat colour.
double MeanDeltaE(const Rendering& r, std::vector<double> rgb) {
    auto im = vips::VImage::new_from_memory(const_cast<std::uint8_t*>(r.rgba.data()), r.rgba.size(), r.width,
                                            r.height, 4, VIPS_FORMAT_UCHAR)
                  .extract_band(0, vips::VImage::option()->set("n", 3))
                  .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    auto flat = (vips::VImage::black(r.width, r.height, vips::VImage::option()->set("bands", 3)) + rgb)
                    .cast(VIPS_FORMAT_UCHAR)
                    .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    return im.colourspace(VIPS_INTERPRETATION_LAB).dE00(flat.colourspace(VIPS_INTERPRETATION_LAB)).avg();
}

TEST(ImagingRender, ColourManagedPicturesComeOutInSrgb) {
    EnsureVips();
    if (!vips_icc_present()) GTEST_SKIP() << "libvips without colour management";
    // Colours inside each profile's gamut (print cannot show every screen blue).
    for (auto [profile, colour] : {std::pair<const char*, std::vector<double>>{"p3", {200, 60, 40}},
                                   std::pair<const char*, std::vector<double>>{"cmyk", {70, 120, 170}}}) {
        auto patch = (vips::VImage::black(96, 64, vips::VImage::option()->set("bands", 3)) + colour)
                         .cast(VIPS_FORMAT_UCHAR)
                         .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        // The same colour in the profile's numbers, the profile embedded (a
        // phone's Display P3 photo, a CMYK JPEG made for print).
        auto tagged = patch.icc_transform(profile, vips::VImage::option()->set("input_profile", "srgb"));
        void* buf = nullptr;
        size_t len = 0;
        tagged.write_to_buffer(".jpg", &buf, &len, vips::VImage::option()->set("Q", 98));
        EncodedImage jpeg{std::string(static_cast<char*>(buf), len), "jpeg"};
        g_free(buf);

        // Whole (shrink-on-load path) and cropped (decode-and-cut path).
        auto whole = Render(jpeg, {}, 48, 32);
        auto cut = Render(jpeg, {0.25, 0.25, 0.25, 0.25}, 24, 16);
        EXPECT_LT(MeanDeltaE(whole, colour), 2.0) << profile;
        EXPECT_LT(MeanDeltaE(cut, colour), 2.0) << profile;
        // The encoded copy carries sRGB numbers: read without any profile it
        // still shows the colour.
        auto again = Render(Encode(whole, kPasteJpeg), {}, 48, 32);
        EXPECT_LT(MeanDeltaE(again, colour), 2.0) << profile;
    }
}

TEST(ImagingRender, RefusesPicturesBeyondThePixelLimits) {
    EXPECT_THROW(Render(ClaimedPng(50000, 50000), {}, 100, 100), office::AutomationError);
    EXPECT_THROW(Render(ClaimedPng(25000, 25000), {}, 100, 100), office::AutomationError); // 625 MP
    auto img = Halves(40, 40);
    EXPECT_THROW(Render(img, {}, 0, 10), office::AutomationError);
    EXPECT_THROW(Render(img, {}, 100000, 10), office::AutomationError);
    EXPECT_THROW(Render(img, {0.6, 0, 0.6, 0}, 10, 10), office::AutomationError); // cropped away
    // A tiny visible area shown huge would need a vast intermediate.
    EXPECT_THROW(Render(img, {0.4999, 0.4999, 0.4999, 0.4999}, 10000, 10000), office::AutomationError);
    EXPECT_THROW(Render({"not a picture", "png"}, {}, 10, 10), office::AutomationError);
}

TEST(ImagingEncode, RefusesFormatsThatCannotCarryThePicture) {
    auto soft = Render({deck::MakeTransparentPng(64, 64, true), "png"}, {}, 64, 64);
    ASSERT_TRUE(soft.anyTransparent);
    ASSERT_TRUE(soft.partialAlpha);
    EXPECT_THROW(Encode(soft, kPasteJpeg), office::AutomationError);
    EXPECT_THROW(Encode(soft, kPasteGif), office::AutomationError);
    EXPECT_EQ(Encode(soft, kPastePng).ext, "png");
    EXPECT_EQ(Encode(soft, kPasteMetafile).ext, "emf");

    auto hard = Render({deck::MakeTransparentPng(64, 64, false), "png"}, {}, 64, 64);
    ASSERT_TRUE(hard.anyTransparent);
    ASSERT_FALSE(hard.partialAlpha);
    EXPECT_THROW(Encode(hard, kPasteJpeg), office::AutomationError);
    auto gif = Encode(hard, kPasteGif);
    EXPECT_EQ(gif.ext, "gif");
    // The clear corners stay clear through GIF.
    auto back = Render(gif, {}, 64, 64);
    EXPECT_EQ(back.rgba[3], 0);
    EXPECT_EQ(back.rgba[(static_cast<size_t>(32) * 64 + 32) * 4 + 3], 255);

    EXPECT_THROW(Encode(hard, 7), office::AutomationError);
    EXPECT_THROW(Encode(Rendering{}, kPastePng), office::AutomationError);
}

TEST(ImagingEncode, PngIsLosslessAndMetafileKeepsASourceMetafile) {
    auto r = Render(Halves(32, 16), {}, 32, 16);
    auto back = Render(Encode(r, kPastePng), {}, 32, 16);
    EXPECT_EQ(back.rgba, r.rgba);

    EncodedImage emf{WrapInEmf(r), "emf"};
    EXPECT_EQ(MetafileFor(emf, r).bytes, emf.bytes);
    EXPECT_EQ(MetafileFor(Halves(32, 16), r).ext, "emf");
}

TEST(ImagingRaster, CompositesOnWhite) {
    Rendering r;
    r.width = 3;
    r.height = 1;
    r.rgba = {255, 0, 0, 255, /**/ 0, 0, 0, 0, /**/ 0, 0, 0, 128};
    auto raster = ToRaster(r);
    ASSERT_EQ(raster.pixels.size(), 3u);
    EXPECT_EQ(raster.at(0, 0), 0xFF0000u);
    EXPECT_EQ(raster.at(1, 0), 0xFFFFFFu);
    EXPECT_EQ(raster.at(2, 0), 0x7F7F7Fu);
}

} // namespace
} // namespace quillmax::pptx::imaging
