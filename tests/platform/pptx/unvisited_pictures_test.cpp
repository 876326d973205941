// File: tests/platform/pptx/unvisited_pictures_test.cpp
// Pictures no shape visit reaches (backgrounds, fills, layout pictures),
// identical media stored once on save, and palette PNGs that must look the
// same as the full ones.
#include <filesystem>

#include "deck_fixture.h"
#include "base/errors.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/imaging.h"
#include "platform/pptx/similarity.h"

using namespace quillmax;
using quillmax::test::TempDir;

namespace {

constexpr const char* kImageRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

// One slide whose background is `image`, with a rectangle filled with the
// same image and a picture of another image (the shape visits' own).
std::string BackgroundDeck(const std::string& name, const std::string& image, const std::string& ext,
                           const std::string& fillCrop = "") {
    auto photo = pptx::deck::MakePhotoJpeg(64, 48, 7);
    std::string shapes =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Rectangle 1\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>"
        "<a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"914400\" cy=\"914400\"/></a:xfrm><a:prstGeom prst=\"rect\">"
        "<a:avLst/></a:prstGeom><a:blipFill><a:blip r:embed=\"rId8\"/>" + fillCrop +
        "<a:stretch><a:fillRect/></a:stretch></a:blipFill></p:spPr></p:sp>"
        "<p:pic><p:nvPicPr><p:cNvPr id=\"3\" name=\"Shape 61\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr><p:blipFill>"
        "<a:blip r:embed=\"rId9\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr><a:xfrm><a:off "
        "x=\"0\" y=\"0\"/><a:ext cx=\"914400\" cy=\"685800\"/></a:xfrm><a:prstGeom prst=\"rect\"/></p:spPr></p:pic>";
    std::string path = test::MakeDeck(name + "-plain", shapes);
    auto entries = test::ReadZip(path);
    auto& slide = entries["ppt/slides/slide1.xml"];
    slide.replace(slide.find("<p:spTree>"), 10,
                  "<p:bg><p:bgPr><a:blipFill dpi=\"0\" rotWithShape=\"1\"><a:blip r:embed=\"rId8\"/><a:srcRect/>"
                  "<a:stretch><a:fillRect/></a:stretch></a:blipFill><a:effectLst/></p:bgPr></p:bg><p:spTree>");
    auto& rels = entries["ppt/slides/_rels/slide1.xml.rels"];
    rels.replace(rels.find("</Relationships>"), 16,
                 std::string("<Relationship Id=\"rId8\" Type=\"") + kImageRel + "\" Target=\"../media/bg." + ext +
                     "\"/><Relationship Id=\"rId9\" Type=\"" + kImageRel +
                     "\" Target=\"../media/photo.jpeg\"/></Relationships>");
    entries["ppt/media/bg." + ext] = image;
    entries["ppt/media/photo.jpeg"] = photo;
    std::string out = TempDir() + "/" + name + ".pptx";
    test::WriteZip(out, entries);
    return out;
}

std::shared_ptr<office::Presentation> Open(office::Automation& a, const std::string& path) {
    return a.CreatePowerPoint()->GetPresentations()->Open(path, true);
}

size_t MediaBytes(const std::string& path, int* parts = nullptr) {
    size_t n = 0;
    int count = 0;
    for (auto& [name, data] : test::ReadZip(path))
        if (name.rfind("ppt/media/", 0) == 0) n += data.size(), ++count;
    if (parts) *parts = count;
    return n;
}

} // namespace

TEST(PptxUnvisitedPictures, BackgroundAndFillOfOnePictureAreRedoneOnceAtTheSlideSize) {
    // A 3000 x 2250 photo behind a 13.33 x 7.5 inch slide, also filling a shape.
    const std::string big = pptx::deck::MakePhotoJpeg(3000, 2250, 3, 95);
    auto a = pptx::CreateAutomation();
    auto pres = Open(*a, BackgroundDeck("bg", big, "jpeg"));
    auto images = pres->UnvisitedPictures();
    ASSERT_EQ(images.size(), 1u) << "the slide's own picture is the shape visits'";
    auto& im = *images[0];
    EXPECT_EQ(im.Kind(), office::ppt::kImageBackground);
    EXPECT_DOUBLE_EQ(im.Width(), 960); // the slide, the largest use
    EXPECT_DOUBLE_EQ(im.Height(), 540);
    EXPECT_EQ(im.Bytes(), static_cast<double>(big.size()));
    EXPECT_FALSE(im.Transparent());
    const double bytes = im.Render(1.0, office::ppt::kPasteJPG);
    EXPECT_LT(bytes, big.size() / 4.0);
    im.Replace();

    std::string out = TempDir() + "/bg-out.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    auto zip = test::ReadZip(out);
    EXPECT_FALSE(zip.count("ppt/media/bg.jpeg")) << "nothing uses the old picture now";
    int parts = 0;
    MediaBytes(out, &parts);
    EXPECT_EQ(parts, 2); // the new background, shared by both uses, and the photo
    // 1280 x 720 pixels: 96 per inch of the slide
    for (auto& [name, data] : zip) {
        if (name.rfind("ppt/media/image", 0) != 0) continue;
        int w = 0, h = 0;
        pptx::imaging::ImageSize({data, "jpeg"}, w, h);
        EXPECT_EQ(w, 1280);
        EXPECT_EQ(h, 720);
    }
    // What was not redone is not offered again.
    auto again = Open(*a, out);
    ASSERT_EQ(again->UnvisitedPictures().size(), 1u);
}

TEST(PptxUnvisitedPictures, DifferentCropsRenderTheWholePictureAndKeepTheirCrops) {
    const std::string big = pptx::deck::MakePhotoJpeg(2000, 1500, 5, 95);
    auto a = pptx::CreateAutomation();
    auto pres = Open(*a, BackgroundDeck("crops", big, "jpeg", "<a:srcRect l=\"50000\"/>"));
    auto images = pres->UnvisitedPictures();
    ASSERT_EQ(images.size(), 1u);
    // The fill shows half the picture over one inch: the whole is two inches
    // wide there, less than the slide's 13.33, so the slide decides.
    EXPECT_DOUBLE_EQ(images[0]->Width(), 960);
    images[0]->Render(1.0, office::ppt::kPasteJPG);
    images[0]->Replace();
    std::string out = TempDir() + "/crops-out.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    EXPECT_NE(test::ReadZip(out)["ppt/slides/slide1.xml"].find("<a:srcRect l=\"50000\""), std::string::npos);
}

TEST(PptxUnvisitedPictures, TransparentBackgroundStaysTransparentAsPng) {
    const std::string png = pptx::deck::MakeTransparentPng(1600, 1200, true);
    auto a = pptx::CreateAutomation();
    auto pres = Open(*a, BackgroundDeck("clear", png, "png"));
    auto images = pres->UnvisitedPictures();
    ASSERT_EQ(images.size(), 1u);
    ASSERT_TRUE(images[0]->Transparent());
    EXPECT_THROW(images[0]->Render(1.0, office::ppt::kPasteJPG), office::AutomationError);
    images[0]->Render(1.0, office::ppt::kPastePNG);
    images[0]->Replace();
    std::string out = TempDir() + "/clear-out.pptx";
    pres->SaveAs(out);
    for (auto& [name, data] : test::ReadZip(out)) {
        if (name.rfind("ppt/media/image", 0) != 0) continue;
        auto r = pptx::imaging::Render({data, "png"}, {}, 1280, 720);
        EXPECT_TRUE(r.anyTransparent) << name;
        EXPECT_EQ(r.rgba[3], 0) << "the clear corner stays clear";
    }
}

TEST(PptxUnvisitedPictures, ALayoutPictureIsOfferedAndATextBulletPictureBlocksIt) {
    auto base = test::ReadZip(test::MakeDeck("layout-base", ""));
    std::string layoutName;
    for (auto& [name, data] : base)
        if (name.rfind("ppt/slideLayouts/slideLayout", 0) == 0 && name.find(".rels") == std::string::npos)
            layoutName = name;
    ASSERT_FALSE(layoutName.empty());
    const std::string relsName = "ppt/slideLayouts/_rels/" + layoutName.substr(layoutName.rfind('/') + 1) + ".rels";
    auto build = [&](const std::string& name, bool bullet) {
        auto entries = base;
        auto& xml = entries[layoutName];
        std::string pic =
            "<p:pic><p:nvPicPr><p:cNvPr id=\"90\" name=\"Logo\"/><p:cNvPicPr/><p:nvPr userDrawn=\"1\"/></p:nvPicPr>"
            "<p:blipFill><a:blip r:embed=\"rIdL\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr>"
            "<a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"1828800\" cy=\"914400\"/></a:xfrm><a:prstGeom "
            "prst=\"rect\"/></p:spPr></p:pic>";
        if (bullet)
            pic += "<p:sp><p:nvSpPr><p:cNvPr id=\"91\" name=\"T\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr/>"
                   "<p:txBody><a:bodyPr/><a:p><a:pPr><a:buBlip><a:blip r:embed=\"rIdL\"/></a:buBlip></a:pPr>"
                   "</a:p></p:txBody></p:sp>";
        xml.replace(xml.find("</p:spTree>"), 11, pic + "</p:spTree>");
        auto& rels = entries[relsName];
        rels.replace(rels.find("</Relationships>"), 16,
                     std::string("<Relationship Id=\"rIdL\" Type=\"") + kImageRel +
                         "\" Target=\"../media/logo.jpeg\"/></Relationships>");
        entries["ppt/media/logo.jpeg"] = pptx::deck::MakePhotoJpeg(1200, 600, 9, 95);
        auto& ct = entries["[Content_Types].xml"];
        if (ct.find("Extension=\"jpeg\"") == std::string::npos)
            ct.replace(ct.find("</Types>"), 8, "<Default Extension=\"jpeg\" ContentType=\"image/jpeg\"/></Types>");
        std::string out = TempDir() + "/" + name + ".pptx";
        test::WriteZip(out, entries);
        return out;
    };
    auto a = pptx::CreateAutomation();
    auto images = Open(*a, build("layout", false))->UnvisitedPictures();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->Kind(), office::ppt::kImageLayout);
    EXPECT_DOUBLE_EQ(images[0]->Width(), 144);
    EXPECT_TRUE(Open(*a, build("bullet", true))->UnvisitedPictures().empty());
}

TEST(PptxUnvisitedPictures, ASlideSvgPictureIsAGraphicWhoseBitmapAloneIsRedone) {
    const std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\"><circle cx=\"50\" cy=\"50\" "
        "r=\"40\" fill=\"#3366cc\"/></svg>";
    const std::string shape =
        "<p:pic><p:nvPicPr><p:cNvPr id=\"4\" name=\"Grafik 3\" descr=\"Kreis\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId8\"><a:extLst><a:ext uri=\"{96DAC541-7B7A-43D3-8B79-37D633B846F1}\">"
        "<asvg:svgBlip xmlns:asvg=\"http://schemas.microsoft.com/office/drawing/2016/SVG/main\" r:embed=\"rId9\"/>"
        "</a:ext></a:extLst></a:blip><a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr><a:xfrm><a:off x=\"0\" "
        "y=\"0\"/><a:ext cx=\"1828800\" cy=\"1828800\"/></a:xfrm><a:prstGeom prst=\"rect\"/></p:spPr></p:pic>";
    auto entries = test::ReadZip(test::MakeDeck("svg-plain", shape));
    auto& rels = entries["ppt/slides/_rels/slide1.xml.rels"];
    rels.replace(rels.find("</Relationships>"), 16,
                 std::string("<Relationship Id=\"rId8\" Type=\"") + kImageRel +
                     "\" Target=\"../media/fallback.png\"/><Relationship Id=\"rId9\" Type=\"" + kImageRel +
                     "\" Target=\"../media/drawing.svg\"/></Relationships>");
    auto& ct = entries["[Content_Types].xml"];
    ct.replace(ct.find("</Types>"), 8,
               "<Default Extension=\"png\" ContentType=\"image/png\"/><Default Extension=\"svg\" "
               "ContentType=\"image/svg+xml\"/></Types>");
    const std::string fallback = pptx::deck::MakeTransparentPng(1600, 1600, true);
    entries["ppt/media/fallback.png"] = fallback;
    entries["ppt/media/drawing.svg"] = svg;
    const std::string path = TempDir() + "/svg.pptx";
    test::WriteZip(path, entries);

    auto a = pptx::CreateAutomation();
    auto pres = Open(*a, path);
    EXPECT_EQ(pres->GetSlides()->Item(1)->GetShapes()->Item(1)->Type(), office::ppt::kShapeGraphic);
    auto images = pres->UnvisitedPictures();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->Kind(), office::ppt::kImageSvgFallback);
    EXPECT_DOUBLE_EQ(images[0]->Width(), 144);
    ASSERT_TRUE(images[0]->Transparent());
    EXPECT_LT(images[0]->Render(1.0, office::ppt::kPastePNG), fallback.size() / 4.0);
    images[0]->Replace();
    const std::string out = TempDir() + "/svg-out.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    auto zip = test::ReadZip(out);
    EXPECT_EQ(zip["ppt/media/drawing.svg"], svg) << "the drawing itself is kept as it was";
    EXPECT_FALSE(zip.count("ppt/media/fallback.png"));
    const std::string& xml = zip["ppt/slides/slide1.xml"];
    EXPECT_NE(xml.find("svgBlip"), std::string::npos);
    EXPECT_NE(xml.find("descr=\"Kreis\""), std::string::npos);
}

TEST(PptxMediaSharing, IdenticalNewPicturesAreStoredOnce) {
    // Three groups of the same two pictures, as a deck pasted thrice.
    namespace d = pptx::deck;
    d::Deck deck;
    const pptx::imaging::EncodedImage a{d::MakePhotoJpeg(1200, 900, 1, 95), "jpeg"};
    const pptx::imaging::EncodedImage b{d::MakePhotoJpeg(1200, 900, 2, 95), "jpeg"};
    d::Slide slide;
    for (int g = 0; g < 3; ++g)
        slide.shapes.push_back(d::Group({10.0 + 230 * g, 10, 220, 100},
                                        {d::Picture(a, {0, 0, 100, 75}), d::Picture(b, {110, 0, 100, 75})}));
    deck.slides.push_back(slide);
    std::string path = TempDir() + "/shared.pptx";
    d::Write(deck, path);
    int before = 0;
    const size_t bytesBefore = MediaBytes(path, &before);
    ASSERT_EQ(before, 2);

    // Each member redone alone, as the engine does: identical renderings.
    auto automation = pptx::CreateAutomation();
    auto pres = Open(*automation, path);
    auto shapes = pres->GetSlides()->Item(1)->GetShapes();
    std::vector<std::shared_ptr<office::Shape>> groups;
    for (int g = 1; g <= 3; ++g) groups.push_back(shapes->Item(g));
    for (auto& group : groups) {
        auto members = group->Ungroup();
        for (int i = 1; i <= members->Count(); ++i) {
            auto m = members->Item(i);
            m->Copy();
            shapes->PasteSpecial(office::ppt::kPasteJPG);
            m->Delete();
        }
    }
    std::string out = TempDir() + "/shared-out.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    int after = 0;
    const size_t bytesAfter = MediaBytes(out, &after);
    EXPECT_EQ(after, 2);
    EXPECT_LT(bytesAfter, bytesBefore);
}

TEST(PptxPalette, TransparentPngTakesAPaletteOnlyWhereItLooksTheSame) {
    using namespace pptx::imaging;
    // Few colours with hard edges: a palette holds them exactly.
    Rendering flat;
    flat.width = 200, flat.height = 100;
    flat.rgba.resize(200 * 100 * 4);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            auto* p = &flat.rgba[(y * 200 + x) * 4];
            const bool in = (x - 100) * (x - 100) + (y - 50) * (y - 50) < 45 * 45;
            p[0] = x < 100 ? 200 : 20, p[1] = 80, p[2] = 40, p[3] = in ? 255 : 0;
        }
    flat.anyTransparent = true;
    auto png = Encode(flat, office::ppt::kPastePNG);
    ASSERT_GT(png.bytes.size(), 26u);
    EXPECT_EQ(png.bytes[25], 3) << "colour type 3: a palette";
    auto back = Render(png, {}, 200, 100);
    EXPECT_GE(Ssim(flat, back), kSameLookSsim);
    EXPECT_EQ(back.rgba[3], 0);

    // A smooth gradient with soft alpha: whatever is chosen looks the same.
    auto soft = Render({pptx::deck::MakeTransparentPng(256, 256, true), "png"}, {}, 256, 256);
    auto softBack = Render(Encode(soft, office::ppt::kPastePNG), {}, 256, 256);
    EXPECT_GE(Ssim(soft, softBack), kSameLookSsim);

    // The measure itself: identical is 1, a lost alpha channel is far off.
    EXPECT_DOUBLE_EQ(Ssim(flat, flat), 1.0);
    Rendering opaque = flat;
    for (size_t i = 3; i < opaque.rgba.size(); i += 4) opaque.rgba[i] = 255;
    EXPECT_LT(Ssim(flat, opaque), 0.9);
}
