// File: tests/e2e/sample_deck_test.cpp
// The builder's output opens in LibreOffice: the sample deck converts to
// one page per slide, and its pictures are on the pages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/render_compare.h"
#include "support/temp_folder.h"

namespace quillmax::test {
namespace {

TEST(SampleDeck, OpensInLibreOfficeWithItsPictures) {
    if (!HaveLibreOffice()) GTEST_SKIP() << "soffice or pdftoppm not installed";
    namespace fs = std::filesystem;
    fs::path maker = fs::path(QUILLMAX_BINARY_DIR) / "samples" / "make-sample-deck";
    if (!fs::exists(maker)) GTEST_SKIP() << "make-sample-deck not built";
    test::TempFolder tmp;
    const fs::path& dir = tmp.path();
    fs::path deck = dir / "sample.pptx";
    ASSERT_EQ(std::system((maker.string() + " " + deck.string()).c_str()), 0);
    EXPECT_GT(fs::file_size(deck), 5u << 20) << "large pictures, so compression shows";

    auto pages = RenderDeck(deck.string(), 24);
    ASSERT_EQ(pages.size(), 4u);
    // Slide 1's first picture sits at 36,100 pt, 288 x 192 pt: at 24 dpi,
    // 12,33 px, 96 x 64 px. It is a landscape, far from a blank page.
    auto picture = Region(pages[0], 14, 35, 90, 60);
    PageImage white = picture;
    std::fill(white.rgb.begin(), white.rgb.end(), 255);
    EXPECT_GT(Compare(picture, white).meanAbsDiff, 40);
    // A page compared with itself is identical; with another, not.
    EXPECT_DOUBLE_EQ(Compare(pages[0], pages[0]).ssim, 1.0);
    EXPECT_LT(Compare(pages[0], pages[2]).ssim, 0.95);
}

} // namespace
} // namespace quillmax::test
