// File: tests/platform/pptx/render_ahead_test.cpp
// Pictures rendered ahead of the walk: a deck compressed the way the engine
// does it gives the same bytes with and without the pool, whether Copy
// takes a ready rendering, one rendered out of turn, or asks for another size.
#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/deck_builder.h"
#include "office/automation.h"
#include "office/powerpoint.h"
#include "platform/pptx/pptx_automation.h"
#include "platform/pptx/render_ahead.h"
#include "support/temp_folder.h"

using namespace quillmax;
namespace deck = quillmax::pptx::deck;

namespace {

std::string PhotoDeck(const std::string& path) {
    auto photo = [](unsigned seed, int w = 900, int h = 600) {
        return pptx::imaging::EncodedImage{deck::MakePhotoJpeg(w, h, seed, 90), "jpeg"};
    };
    deck::Deck d;
    deck::Slide s1;
    s1.shapes.push_back(deck::Picture(photo(1), {20, 20, 216, 144}, "Picture 1"));
    auto cropped = deck::Picture(photo(2), {260, 20, 200, 150}, "Picture 2");
    cropped.crop = {0.1, 0.05, 0.2, 0.1};
    s1.shapes.push_back(cropped);
    s1.shapes.push_back(deck::Picture({deck::MakeLineArtPng(640, 480, 3), "png"}, {20, 200, 240, 180}, "Picture 3"));
    d.slides.push_back(s1);
    deck::Slide s2;
    s2.shapes.push_back(deck::Group({20, 20, 440, 150},
                                    {deck::Picture(photo(4), {0, 0, 200, 150}), deck::Picture(photo(5), {240, 0, 200, 150})},
                                    "Group 1"));
    s2.shapes.push_back(deck::Picture(photo(6), {20, 220, 300, 200}, "Picture 6"));
    // Far larger than the rest: the pool renders it first.
    s2.shapes.push_back(deck::Picture(photo(7, 3000, 2000), {340, 220, 300, 200}, "Picture 7"));
    d.slides.push_back(s2);
    deck::Write(d, path);
    return path;
}

// What the engine does to each picture: copy at a scaled size, paste in a
// lighter format, let the old one go. The picture named "Picture 6" is
// copied at another size than the others.
std::string CompressLikeTheEngine(const std::string& input, const std::string& output, bool ahead) {
    pptx::RenderAhead::SetEnabled(ahead);
    auto a = pptx::CreateAutomation();
    auto pres = a->CreatePowerPoint()->GetPresentations()->Open(input, true);
    for (int i = 1; i <= pres->GetSlides()->Count(); ++i) {
        auto shapes = pres->GetSlides()->Item(i)->GetShapes();
        std::vector<std::shared_ptr<office::Shape>> pictures;
        for (int k = 1; k <= shapes->Count(); ++k)
            if (shapes->Item(k)->Type() == office::ppt::kShapePicture) pictures.push_back(shapes->Item(k));
        for (auto& old : pictures) {
            const double w = old->Width(), h = old->Height(), f = old->Name() == "Picture 6" ? 0.9 : 1.4;
            old->SetWidth(w * f);
            old->SetHeight(h * f);
            old->Copy();
            old->SetWidth(w);
            old->SetHeight(h);
            auto neu = shapes->PasteSpecial(old->Name() == "Picture 3" ? office::ppt::kPastePNG : office::ppt::kPasteJPG)->Item(1);
            neu->SetLeft(old->Left());
            neu->SetTop(old->Top());
            neu->SetWidth(w);
            neu->SetHeight(h);
            old->Delete();
        }
    }
    pres->SaveAs(output);
    pres->Close();
    pptx::RenderAhead::SetEnabled(true);
    return test::ReadAll(output);
}

} // namespace

TEST(PptxRenderAhead, ADeckCompressedWithAndWithoutThePoolGivesTheSameBytes) {
    test::TempFolder dir;
    const std::string input = PhotoDeck((dir.path() / "photos.pptx").string());
    const unsigned before = pptx::RenderAhead::TakenSoFar();
    const std::string with = CompressLikeTheEngine(input, (dir.path() / "with.pptx").string(), true);
    const unsigned taken = pptx::RenderAhead::TakenSoFar() - before;
    const std::string without = CompressLikeTheEngine(input, (dir.path() / "without.pptx").string(), false);
    EXPECT_EQ(pptx::RenderAhead::TakenSoFar() - before, taken); // the pool was off
    // The first picture shows the factor; the one copied at another size and
    // the group's members (not copied here) are rendered on demand or passed.
    EXPECT_GE(taken, 2u);
    EXPECT_LT(with.size(), test::ReadAll(input).size());
    EXPECT_TRUE(with == without) << "the outputs differ";
}

TEST(PptxRenderAhead, AClosedPresentationStopsItsPoolWhileRendering) {
    test::TempFolder dir;
    const std::string input = PhotoDeck((dir.path() / "photos.pptx").string());
    auto a = pptx::CreateAutomation();
    for (int round = 0; round < 3; ++round) {
        auto pres = a->CreatePowerPoint()->GetPresentations()->Open(input, true);
        auto old = pres->GetSlides()->Item(1)->GetShapes()->Item(1);
        old->SetWidth(old->Width() * 2);
        old->Copy(); // starts the pool
        pres->Close(); // must not wait for every picture, nor leave a thread reading freed bytes
    }
    SUCCEED();
}
