// File: tests/support/render_compare.h
// Visual comparison for end-to-end tests: a deck is converted to PDF by
// LibreOffice (its own throw-away profile, bounded time), its pages are
// rendered by pdftoppm, and pages or regions are compared by mean absolute
// difference (per channel, 0..255) and a block SSIM on grey (0..1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillmax::test {

struct PageImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb; // width * height * 3
};

struct Similarity {
    double meanAbsDiff = 0; // 0 = identical, 255 = opposite
    double ssim = 1;        // 1 = identical
};

// soffice and pdftoppm are both on PATH.
bool HaveLibreOffice();

// The pages of the deck at `dpi`. Throws std::runtime_error when the
// conversion fails or takes longer than timeoutSeconds.
std::vector<PageImage> RenderDeck(const std::string& pptxPath, int dpi = 48, int timeoutSeconds = 240);

// Several decks through one LibreOffice start (a deck that makes it fail
// is converted again alone); no pages for a deck that cannot be converted.
std::vector<std::vector<PageImage>> RenderDecks(const std::vector<std::string>& pptxPaths, int dpi = 48,
                                                int timeoutSeconds = 600);

// A PNG's pixels composited on white; shrink > 1 averages shrink x shrink
// blocks (a rendering made at shrink times the size, brought back to it).
// Throws std::runtime_error when the file cannot be read.
PageImage LoadPng(const std::string& path, int shrink = 1);

// A region of a page (clamped to the page).
PageImage Region(const PageImage& page, int x, int y, int width, int height);

// b is resampled to a's size when they differ.
Similarity Compare(const PageImage& a, const PageImage& b);

// Page by page; a missing page counts as entirely different.
std::vector<Similarity> CompareDecks(const std::string& pptxA, const std::string& pptxB, int dpi = 48);

// Pixels from RGBA (straight alpha) composited on white.
PageImage FromRgba(int width, int height, const std::vector<std::uint8_t>& rgba);

} // namespace quillmax::test
