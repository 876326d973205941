// File: tests/platform/pptx/package_test.cpp
// Opening, saving and refusing packages: the blank presentation, round
// trips of real decks, and damaged inputs.
#include <filesystem>
#include <random>

#include "base/errors.h"
#include "platform/pptx/package.h"
#include "deck_fixture.h"

using namespace quillmax;
using quillmax::test::TempDir;

namespace {

std::shared_ptr<office::Presentation> Open(office::Automation& a, const std::string& path) {
    return a.CreatePowerPoint()->GetPresentations()->Open(path, true);
}

void ExpectOpenFails(const std::string& path) {
    auto a = pptx::CreateAutomation();
    EXPECT_THROW(Open(*a, path), office::AutomationError) << path;
}

} // namespace

TEST(PptxPackage, BlankPresentationSavesCleanAndReopens) {
    auto a = pptx::CreateAutomation();
    auto app = a->CreatePowerPoint();
    EXPECT_EQ(app->Version(), "16.0");
    EXPECT_EQ(app->Name(), "Microsoft PowerPoint");
    EXPECT_THROW(app->CommandBars("Standard"), office::AutomationError);
    EXPECT_THROW(a->AttachPowerPoint(), office::AutomationError);
    EXPECT_THROW(a->CreateExcel(), office::AutomationError);
    auto pres = app->GetPresentations()->Add(true);
    EXPECT_EQ(app->GetPresentations()->Count(), 1);
    EXPECT_EQ(pres->GetSlides()->Count(), 0);
    std::string empty = TempDir() + "/empty.pptx";
    pres->SaveAs(empty);
    EXPECT_EQ(pres->FullName(), empty);
    test::ExpectClean(empty);

    auto slide = pres->GetSlides()->Add(1, office::ppt::kLayoutBlank);
    slide->GetShapes()->AddShape(office::ppt::kAddRectangle, 10, 20, 30, 40);
    std::string one = TempDir() + "/one.pptx";
    pres->SaveAs(one);
    test::ExpectClean(one);
    EXPECT_THROW(pres->SaveAs(TempDir() + "/one.ppt"), office::AutomationError);

    auto back = Open(*a, one);
    ASSERT_EQ(back->GetSlides()->Count(), 1);
    auto shape = back->GetSlides()->Item(1)->GetShapes()->Item(1);
    EXPECT_DOUBLE_EQ(shape->Left(), 10);
    EXPECT_DOUBLE_EQ(shape->Height(), 40);
    EXPECT_EQ(shape->Type(), office::ppt::kShapeAuto);

    // the measuring slide comes and goes
    back->GetSlides()->Item(1)->Delete();
    std::string none = TempDir() + "/none.pptx";
    back->SaveAs(none);
    test::ExpectClean(none);
    auto entries = test::ReadZip(none);
    EXPECT_EQ(entries.count("ppt/slides/slide1.xml"), 0u);
}

TEST(PptxPackage, SaveAsNeverOverwritesTheOpenedFile) {
    std::string path = test::MakeDeck("readonly", test::Rect(2, "A", 0, 0, 100, 100));
    std::string before = test::ReadAll(path);
    auto a = pptx::CreateAutomation();
    auto pres = Open(*a, path);
    pres->GetSlides()->Item(1)->GetShapes()->Item(1)->SetLeft(5);
    EXPECT_THROW(pres->SaveAs(path), office::AutomationError);
    EXPECT_EQ(test::ReadAll(path), before);
}

TEST(PptxPackage, DamagedInputsAreRefused) {
    std::string good = test::MakeDeck("good", test::Rect(2, "A", 0, 0, 100, 100));
    std::string bytes = test::ReadAll(good);
    std::string dir = TempDir();

    test::WriteAll(dir + "/truncated.pptx", bytes.substr(0, bytes.size() / 2));
    ExpectOpenFails(dir + "/truncated.pptx");

    std::mt19937 rng(7);
    std::string noise(4096, '\0');
    for (auto& c : noise) c = static_cast<char>(rng());
    test::WriteAll(dir + "/noise.pptx", noise);
    ExpectOpenFails(dir + "/noise.pptx");

    test::WriteAll(dir + "/legacy.ppt", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + noise);
    ExpectOpenFails(dir + "/legacy.ppt");
    ExpectOpenFails(dir + "/does-not-exist.pptx");

    auto entries = test::ReadZip(good);
    auto missing = entries;
    missing.erase("ppt/slides/slide1.xml");
    test::WriteZip(dir + "/missing-slide.pptx", missing);
    ExpectOpenFails(dir + "/missing-slide.pptx");

    auto broken = entries;
    broken["ppt/slides/slide1.xml"] = "<p:sld xmlns:p=\"x\"><p:cSld>";
    test::WriteZip(dir + "/broken-xml.pptx", broken);
    ExpectOpenFails(dir + "/broken-xml.pptx");

    auto traversal = entries;
    traversal["../../evil.xml"] = "<x/>";
    test::WriteZip(dir + "/traversal.pptx", traversal);
    ExpectOpenFails(dir + "/traversal.pptx");

    // 100 MiB of zeros deflate to a few hundred kilobytes
    auto bomb = entries;
    {
        std::vector<pptx::ZipEntry> list;
        for (auto& [k, v] : bomb) list.push_back({k, v});
        list.push_back({"ppt/media/zeros.bin", std::string(std::size_t(100) << 20, '\0'), false, 1});
        test::WriteAll(dir + "/bomb.pptx", pptx::ZipArchiveBytes(list));
    }
    EXPECT_LT(std::filesystem::file_size(dir + "/bomb.pptx"), 4u << 20);
    ExpectOpenFails(dir + "/bomb.pptx");
}

TEST(PptxPackage, NewMediaIsStoredWithADefaultContentType) {
    std::string movie = TempDir() + "/clip.mp4";
    test::WriteAll(movie, std::string(5000, 'm'));
    auto a = pptx::CreateAutomation();
    auto pres = a->CreatePowerPoint()->GetPresentations()->Add(true);
    auto shapes = pres->GetSlides()->Add(1, 12)->GetShapes();
    auto media = shapes->AddMediaObject(movie, 10, 10, 320, 180);
    EXPECT_EQ(media->Type(), office::ppt::kShapeMedia);
    EXPECT_EQ(media->GetLinkFormat()->SourceFullName(), "media1.mp4");
    std::string out = TempDir() + "/media.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    bool found = false;
    for (auto& e : pptx::ZipArchiveEntries(test::ReadAll(out)))
        if (e.name == "ppt/media/media1.mp4") {
            found = true;
            EXPECT_TRUE(e.stored);
        }
    EXPECT_TRUE(found);
    auto ct = test::ReadZip(out)["[Content_Types].xml"];
    EXPECT_NE(ct.find("Extension=\"mp4\""), std::string::npos);
}

TEST(PptxPackage, MediaNothingReachesIsLetGoAfterASaveStoredMediaStays) {
    const std::string deck = test::MakeDeck("letgo", "", "", {{"ppt/media/image5.png", "stored, unused"}});
    auto pkg = pptx::Package::FromBytes(test::ReadAll(deck));
    auto* slide = pkg->Find("/ppt/slides/slide1.xml");
    ASSERT_NE(slide, nullptr);
    pkg->Add("/ppt/media/image90.png", std::string(3000, 'a'), "image/png");
    pkg->Add("/ppt/media/image91.png", std::string(3000, 'b'), "image/png");
    slide->Rels().Add(pptx::reltype::Of("image"), "../media/image91.png", false);
    const std::string out = TempDir() + "/letgo-out.pptx";
    pkg->SaveAs(out);
    EXPECT_EQ(pkg->Find("/ppt/media/image90.png"), nullptr);
    ASSERT_NE(pkg->Find("/ppt/media/image91.png"), nullptr);
    EXPECT_EQ(pkg->Find("/ppt/media/image91.png")->ReadBytes(), std::string(3000, 'b'));
    ASSERT_NE(pkg->Find("/ppt/media/image5.png"), nullptr); // can be read again any time
    EXPECT_EQ(pkg->Find("/ppt/media/image5.png")->ReadBytes(), "stored, unused");
    // The name is free again, and a second save still writes the kept part.
    pkg->Add(pkg->FreeName("/ppt/media/image9", "png"), "new", "image/png");
    pkg->SaveAs(out);
    test::ExpectClean(out);
    EXPECT_EQ(test::ReadZip(out)["ppt/media/image91.png"], std::string(3000, 'b'));
}

TEST(PptxCorpus, EveryDeckOpensAndRoundTripsByteForByte) {
    namespace fs = std::filesystem;
    if (!fs::exists(test::CorpusDir())) GTEST_SKIP() << "no corpus at " << test::CorpusDir();
    int decks = 0;
    for (auto& e : fs::recursive_directory_iterator(test::CorpusDir())) {
        std::string path = e.path().string();
        std::string ext = e.path().extension().string();
        if (ext != ".pptx" && ext != ".pptm") continue;
        SCOPED_TRACE(path);
        auto a = pptx::CreateAutomation();
        std::shared_ptr<office::Presentation> pres;
        ASSERT_NO_THROW(pres = Open(*a, path));
        auto slides = pres->GetSlides();
        for (int s = 1; s <= slides->Count(); ++s) {
            auto shapes = slides->Item(s)->GetShapes();
            for (int i = 1; i <= shapes->Count(); ++i) {
                auto sh = shapes->Item(i);
                EXPECT_NO_THROW({
                    sh->Name();
                    sh->Type();
                    sh->Left();
                    sh->Width();
                    sh->Rotation();
                });
                EXPECT_EQ(sh->ZOrderPosition(), i);
            }
        }
        std::string out = TempDir() + "/rt-" + std::to_string(decks++) + ".pptx";
        ASSERT_NO_THROW(pres->SaveAs(out));
        auto before = pptx::CheckPackageFile(path);
        for (auto& p : pptx::CheckPackageFile(out))
            EXPECT_NE(std::find(before.begin(), before.end(), p), before.end()) << "new problem: " << p;
        auto in = test::ReadZip(path);
        auto saved = test::ReadZip(out);
        for (auto& [name, data] : saved) {
            if (name == "[Content_Types].xml") continue;
            ASSERT_TRUE(in.count(name)) << name;
            EXPECT_TRUE(in[name] == data) << name << " changed";
        }
        fs::remove(out);
    }
    EXPECT_GT(decks, 10);
}
