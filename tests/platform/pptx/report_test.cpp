// File: tests/platform/pptx/report_test.cpp
// Where a deck's bytes are: the kinds add up to the file, and the heaviest
// pictures carry their pixels, largest shown size, pixels per inch and
// slides — on a built deck with known answers and on corpus decks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>

#include "fixtures/deck_builder.h"
#include "platform/pptx/package.h"
#include "platform/pptx/report.h"
#include "deck_fixture.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;
namespace deck = pptx::deck;

std::uint64_t Sum(const pptx::DeckReport& r) { return std::accumulate(std::begin(r.bytes), std::end(r.bytes), 0ull); }

TEST(Report, BuiltDeckKnowsPixelsShownSizeAndSlides) {
    deck::Deck d;
    const pptx::imaging::EncodedImage photo{deck::MakePhotoJpeg(1440, 1080, 7), "jpeg"};
    const pptx::imaging::EncodedImage art{deck::MakeLineArtPng(300, 200, 3), "png"};
    // The photo on slides 1 and 3: 360x270 pt (5 in wide: 288 ppi), and
    // inside a group scaled by half: 180x135 pt. Largest wins.
    d.slides.push_back({{deck::Picture(photo, {0, 0, 360, 270})}, {}});
    d.slides.push_back({{deck::Picture(art, {10, 10, 300, 200})}, {}});
    deck::Shape group = deck::Group({0, 0, 180, 135}, {deck::Picture(photo, {0, 0, 360, 270})});
    group.childWidth = 360;
    group.childHeight = 270;
    d.slides.push_back({{group}, {}});
    const std::string path = TempDir() + "/report-built.pptx";
    deck::Write(d, path);

    const pptx::DeckReport r = pptx::MakeReport(path);
    EXPECT_EQ(r.fileSize, fs::file_size(path));
    EXPECT_EQ(Sum(r), r.fileSize);
    EXPECT_EQ(r.slideCount, 3);
    EXPECT_EQ(pptx::CountSlides(path), 3);
    ASSERT_EQ(r.heaviest.size(), 2u);
    const pptx::MediaPartReport& p = r.heaviest[0];
    EXPECT_EQ(pptx::ExtensionOf(p.part), "jpeg");
    EXPECT_GE(p.stored, r.heaviest[1].stored);
    EXPECT_EQ(p.widthPx, 1440);
    EXPECT_EQ(p.heightPx, 1080);
    EXPECT_NEAR(p.shownWidthPt, 360, 0.5);
    EXPECT_NEAR(p.ppi, 288, 0.5);
    EXPECT_EQ(p.slides, (std::vector<int>{1, 3}));
    EXPECT_EQ(r.heaviest[1].slides, (std::vector<int>{2}));
    EXPECT_NEAR(r.heaviest[1].ppi, 72, 0.5);
    EXPECT_GE(r.bytes[static_cast<int>(pptx::ByteKind::Pictures)], p.stored + r.heaviest[1].stored);

    const std::string json = pptx::ReportJson(path, r);
    EXPECT_NE(json.find("\"size\":" + std::to_string(r.fileSize)), std::string::npos);
    EXPECT_NE(json.find("\"slides\":[1,3]"), std::string::npos);
    const std::string text = pptx::ReportText(path, r);
    EXPECT_NE(text.find("1440x1080 px"), std::string::npos);
    EXPECT_NE(text.find("スライド 1,3"), std::string::npos);
}

TEST(Report, CorpusDecksAddUpToTheirSize) {
    int seen = 0;
    for (const char* name : {"aspose-java/ContentBG_Image.pptx", "poi/2411-Performance_Up.pptx",
                             "aspose-net/AnimationShapesExample.pptx", "aspose-net/Image.pptx"}) {
        const std::string path = CorpusDir() + "/" + name;
        if (!fs::exists(path)) continue;
        ++seen;
        const pptx::DeckReport r = pptx::MakeReport(path);
        EXPECT_EQ(r.fileSize, fs::file_size(path)) << name;
        EXPECT_EQ(Sum(r), r.fileSize) << name;
        EXPECT_GT(r.bytes[static_cast<int>(pptx::ByteKind::Xml)], 0u) << name;
        EXPECT_LE(r.heaviest.size(), 10u);
        for (size_t i = 1; i < r.heaviest.size(); ++i) EXPECT_GE(r.heaviest[i - 1].stored, r.heaviest[i].stored);
    }
    if (seen == 0) GTEST_SKIP() << "no corpus at " << CorpusDir();
    // A background picture is shown at the slide's size.
    const std::string bg = CorpusDir() + "/aspose-java/ContentBG_Image.pptx";
    if (fs::exists(bg)) {
        const pptx::DeckReport r = pptx::MakeReport(bg);
        ASSERT_FALSE(r.heaviest.empty());
        EXPECT_NEAR(r.heaviest[0].shownWidthPt, 720, 0.5);
        EXPECT_EQ(r.heaviest[0].slides, (std::vector<int>{1}));
    }
}

TEST(Report, NotAPackageIsRefused) {
    const std::string path = TempDir() + "/not-a-deck.pptx";
    std::ofstream(path) << "plain text";
    EXPECT_THROW(pptx::MakeReport(path), std::exception);
    EXPECT_EQ(pptx::CountSlides(path), -1);
    EXPECT_EQ(pptx::CountSlides(TempDir() + "/missing.pptx"), -1);
}

// The count reads the main part alone: it must find the same part as a
// whole open (strict names, odd cases and encodings of the target).
TEST(Report, CountReadingOnlyTheMainPartAgreesWithAWholeOpen) {
    if (CorpusDir().empty()) GTEST_SKIP() << "no corpus";
    int decks = 0;
    for (auto& e : fs::recursive_directory_iterator(CorpusDir())) {
        if (e.path().extension() != ".pptx") continue;
        int whole = -1;
        try {
            auto pkg = pptx::Package::OpenFile(e.path().string());
            if (pptx::Part* main = pkg->MainPart()) {
                whole = 0;
                for (auto id : main->Xml().document_element().child("p:sldIdLst").children("p:sldId")) {
                    (void)id;
                    ++whole;
                }
            }
        } catch (const std::exception&) {
            continue; // a deck that does not open is counted by whatever can read it
        }
        EXPECT_EQ(pptx::CountSlides(e.path().string()), whole) << e.path();
        ++decks;
    }
    EXPECT_GT(decks, 10);
}

} // namespace
} // namespace quillmax::test
