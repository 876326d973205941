// File: tests/platform/pptx/jpeg_decode_test.cpp
// The direct JPEG decoding gives libvips' pixels exactly, on our own
// encodings and on the corpus' photos, and leaves to the full way every
// JPEG it cannot decode the same.
#include "platform/pptx/jpeg_decode.h"

#include <gtest/gtest.h>
#include <vips/vips8>

#include <cstring>
#include <filesystem>

#include "deck_fixture.h"
#include "fixtures/deck_builder.h"

namespace quillmax::pptx::imaging {
namespace {

namespace fs = std::filesystem;

std::string Save(const vips::VImage& im, const char* format, vips::VOption* options = nullptr) {
    void* buf = nullptr;
    size_t len = 0;
    im.write_to_buffer(format, &buf, &len, options);
    std::string out(static_cast<char*>(buf), len);
    g_free(buf);
    return out;
}

// libvips' own decoding, with the opaque alpha a rendering carries.
std::vector<std::uint8_t> VipsPixels(const std::string& jpeg) {
    auto im = vips::VImage::new_from_buffer(jpeg, "").bandjoin_const({255});
    size_t len = 0;
    void* mem = im.write_to_memory(&len);
    std::vector<std::uint8_t> out(static_cast<std::uint8_t*>(mem), static_cast<std::uint8_t*>(mem) + len);
    g_free(mem);
    return out;
}

// Decodes jpeg directly; true when it did, and then with libvips' pixels.
bool DecodesLikeLibvips(const std::string& jpeg, const std::string& what) {
    auto head = vips::VImage::new_from_buffer(jpeg, "");
    auto direct = DecodeJpegAsStored(jpeg, head.width(), head.height());
    if (!direct) return false;
    EXPECT_EQ(direct->width, head.width()) << what;
    EXPECT_FALSE(direct->anyTransparent) << what;
    EXPECT_TRUE(direct->rgba == VipsPixels(jpeg)) << what;
    return true;
}

TEST(JpegDecode, GivesLibvipsPixelsForOurOwnAndTheCorpusPhotos) {
    EnsureVips();
    // What the walk decodes most: its own encoding of a rendering.
    const EncodedImage photo{deck::MakePhotoJpeg(640, 427, 11), "jpeg"};
    const EncodedImage pasted = Encode(Render(photo, {}, 301, 201), kPasteJpeg);
    EXPECT_TRUE(DecodesLikeLibvips(pasted.bytes, "pasted"));
    EXPECT_TRUE(DecodesLikeLibvips(photo.bytes, "photo"));
    // Progressive, and without chroma subsampling.
    auto im = vips::VImage::new_from_buffer(photo.bytes, "");
    EXPECT_TRUE(DecodesLikeLibvips(Save(im, ".jpg", vips::VImage::option()->set("interlace", true)), "progressive"));
    EXPECT_TRUE(DecodesLikeLibvips(
        Save(im, ".jpg", vips::VImage::option()->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_OFF)), "4:4:4"));

    if (test::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
    int decoded = 0;
    for (const char* deckName : {"aspose-java/ContentBG_Image.pptx", "poi/stress022.pptx", "shapecrawler/031.pptx"}) {
        const fs::path p = fs::path(test::CorpusDir()) / deckName;
        if (!fs::exists(p)) continue;
        for (auto& [name, bytes] : test::ReadZip(p.string()))
            if (name.find("media/") != std::string::npos &&
                (name.ends_with(".jpg") || name.ends_with(".jpeg")) && DecodesLikeLibvips(bytes, name))
                ++decoded;
    }
    EXPECT_GT(decoded, 0);
}

TEST(JpegDecode, LeavesToTheFullWayWhatItCannotDecodeTheSame) {
    EnsureVips();
    const std::string photo = deck::MakePhotoJpeg(96, 64, 3);
    EXPECT_FALSE(DecodeJpegAsStored(photo, 48, 32));   // another size: resampled
    EXPECT_FALSE(DecodeJpegAsStored(photo, 96, 65));
    EXPECT_FALSE(DecodeJpegAsStored("not a jpeg", 96, 64));
    // Damage of any kind: cut short, or its scan data spoilt.
    EXPECT_FALSE(DecodeJpegAsStored(photo.substr(0, photo.size() / 2), 96, 64));
    std::string spoilt = photo;
    for (size_t i = spoilt.size() / 2; i < spoilt.size() / 2 + 64; ++i) spoilt[i] = static_cast<char>(0xFF);
    EXPECT_FALSE(DecodeJpegAsStored(spoilt, 96, 64));
    // Numbers that need their profile or another colour space.
    auto im = vips::VImage::new_from_buffer(photo, "");
    EXPECT_FALSE(DecodeJpegAsStored(Save(im.colourspace(VIPS_INTERPRETATION_B_W), ".jpg"), 96, 64));
    if (vips_icc_present()) {
        EXPECT_FALSE(DecodeJpegAsStored(
            Save(im.icc_transform("p3", vips::VImage::option()->set("input_profile", "srgb")), ".jpg"), 96, 64));
        EXPECT_FALSE(DecodeJpegAsStored(
            Save(im.icc_transform("cmyk", vips::VImage::option()->set("input_profile", "srgb")), ".jpg"), 96, 64));
    }
}

} // namespace
} // namespace quillmax::pptx::imaging
