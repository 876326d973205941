// File: tests/platform/pptx/clipboard_test.cpp
// Copy of a picture as shown, and PasteSpecial in the four formats.
#include <filesystem>

#include "deck_fixture.h"
#include "base/errors.h"
#include "platform/pptx/imaging.h"

using namespace quillmax;
using quillmax::test::TempDir;

namespace {

std::string PictureDeck(const std::string& name, bool transparent) {
    pptx::imaging::Rendering r;
    r.width = 400;
    r.height = 300;
    r.rgba.resize(400 * 300 * 4);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            auto* p = &r.rgba[(y * 400 + x) * 4];
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 128;
            p[3] = transparent && x > 300 ? 0 : 255;
        }
    r.anyTransparent = transparent;
    auto png = pptx::imaging::Encode(r, office::ppt::kPastePNG);
    // a 4 x 3 inch picture, cropped by a quarter on the left, with an outline
    std::string pic = "<p:pic><p:nvPicPr><p:cNvPr id=\"2\" name=\"Picture 1\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
                      "<p:blipFill><a:blip r:embed=\"rId9\"><a:grayscl/></a:blip><a:srcRect l=\"25000\"/><a:stretch>"
                      "<a:fillRect/></a:stretch></p:blipFill><p:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext "
                      "cx=\"3657600\" cy=\"2743200\"/></a:xfrm><a:prstGeom prst=\"ellipse\"/><a:ln w=\"12700\">"
                      "<a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></a:ln></p:spPr></p:pic>";
    auto base = test::ReadZip(test::MakeDeck(name + "-base", ""));
    std::string rels = base["ppt/slides/_rels/slide1.xml.rels"];
    rels.replace(rels.find("</Relationships>"), 16,
                 "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                 "image\" Target=\"../media/image1.png\"/></Relationships>");
    return test::MakeDeck(name, pic, "", {{"ppt/slides/_rels/slide1.xml.rels", rels}, {"ppt/media/image1.png", png.bytes}});
}

} // namespace

TEST(PptxClipboard, PasteSpecialMakesAPictureOfTheRenderingWithTheLook) {
    auto a = pptx::CreateAutomation();
    auto pres = a->CreatePowerPoint()->GetPresentations()->Open(PictureDeck("special", false), true);
    auto shapes = pres->GetSlides()->Item(1)->GetShapes();
    auto old = shapes->Item(1);
    old->SetWidth(old->Width() * 0.75); // the engine copies at a scaled size
    old->SetHeight(old->Height() * 0.75);
    old->Copy();
    auto raster = a->SystemClipboard().MetafilePicture();
    ASSERT_TRUE(raster);
    EXPECT_EQ(raster->width, 288); // 3 inches at 96 px per inch
    EXPECT_EQ(raster->height, 216);

    for (int type : {office::ppt::kPasteJPG, office::ppt::kPastePNG, office::ppt::kPasteGIF, office::ppt::kPasteMetafile}) {
        auto pasted = shapes->PasteSpecial(type);
        auto p = pasted->Item(1);
        EXPECT_EQ(p->Type(), office::ppt::kShapePicture);
        EXPECT_EQ(p->ZOrderPosition(), shapes->Count());
        EXPECT_NEAR(p->Width(), 216, 0.01);
    }
    std::string out = TempDir() + "/special-out.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    auto entries = test::ReadZip(out);
    ASSERT_EQ(entries.count("ppt/media/image2.jpeg"), 1u);
    int w = 0, h = 0;
    pptx::imaging::ImageSize({entries["ppt/media/image2.jpeg"], "jpeg"}, w, h);
    EXPECT_EQ(w, 288);
    EXPECT_EQ(h, 216);
    EXPECT_EQ(entries.count("ppt/media/image5.emf"), 1u);
    auto xml = entries["ppt/slides/slide1.xml"];
    // the look travels: geometry, outline, picture adjustment; the crop is in the pixels
    EXPECT_EQ(std::count(xml.begin(), xml.end(), 'e') > 0, true);
    size_t ellipses = 0, outlines = 0, grays = 0;
    for (size_t i = 0; (i = xml.find("prst=\"ellipse\"", i)) != std::string::npos; ++i) ++ellipses;
    for (size_t i = 0; (i = xml.find("FF0000", i)) != std::string::npos; ++i) ++outlines;
    for (size_t i = 0; (i = xml.find("<a:grayscl/>", i)) != std::string::npos; ++i) ++grays;
    EXPECT_EQ(ellipses, 5u);
    EXPECT_EQ(outlines, 5u);
    EXPECT_EQ(grays, 5u);
    EXPECT_EQ(std::count(xml.begin(), xml.end(), 'l') > 0, true);

    // replacing the old picture drops its media part
    old->Delete();
    pres->SaveAs(out);
    EXPECT_EQ(test::ReadZip(out).count("ppt/media/image1.png"), 0u);
    test::ExpectClean(out);
}

TEST(PptxClipboard, PictureInAPlaceholderCarriesItsInheritedLook) {
    // The layout's picture placeholder: an oval with a thick blue outline and
    // a shadow; the slide's picture says nothing of its own look or frame.
    auto base = test::ReadZip(PictureDeck("ph-base", false));
    std::string layout = base["ppt/slideLayouts/slideLayout1.xml"];
    const std::string ph =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"7\" name=\"Picture Placeholder 6\"/><p:cNvSpPr/><p:nvPr><p:ph type=\"pic\" "
        "idx=\"13\"/></p:nvPr></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"635000\" y=\"635000\"/><a:ext cx=\"2540000\" "
        "cy=\"1905000\"/></a:xfrm><a:prstGeom prst=\"ellipse\"><a:avLst/></a:prstGeom><a:ln w=\"76200\"><a:solidFill>"
        "<a:srgbClr val=\"0000FF\"/></a:solidFill></a:ln><a:effectLst><a:outerShdw blurRad=\"50800\" dist=\"38100\">"
        "<a:prstClr val=\"black\"/></a:outerShdw></a:effectLst></p:spPr></p:sp>";
    layout.insert(layout.rfind("</p:spTree>"), ph);
    std::string slide = base["ppt/slides/slide1.xml"];
    slide.replace(slide.find("<p:nvPr/></p:nvPicPr>"), 21,
                  "<p:nvPr><p:ph type=\"pic\" idx=\"13\"/></p:nvPr></p:nvPicPr>");
    const auto from = slide.find("<p:spPr>"), to = slide.find("</p:spPr>") + 9;
    slide.replace(from, to - from, "<p:spPr/>");
    base["ppt/slideLayouts/slideLayout1.xml"] = layout;
    base["ppt/slides/slide1.xml"] = slide;
    const std::string in = TempDir() + "/ph-look.pptx";
    test::WriteZip(in, base);

    auto a = pptx::CreateAutomation();
    auto pres = a->CreatePowerPoint()->GetPresentations()->Open(in, true);
    auto shapes = pres->GetSlides()->Item(1)->GetShapes();
    auto old = shapes->Item(1);
    EXPECT_NEAR(old->Width(), 200, 0.01); // the layout's frame
    old->Copy();
    auto p = shapes->PasteSpecial(office::ppt::kPastePNG)->Item(1);
    EXPECT_NEAR(p->Width(), 200, 0.01);
    old->Delete();
    const std::string out = TempDir() + "/ph-look-out.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    auto xml = test::ReadZip(out)["ppt/slides/slide1.xml"];
    EXPECT_EQ(xml.find("<p:ph"), std::string::npos); // a plain picture now
    EXPECT_NE(xml.find("prst=\"ellipse\""), std::string::npos);
    EXPECT_NE(xml.find("<a:ln w=\"76200\"><a:solidFill><a:srgbClr val=\"0000FF\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<a:outerShdw"), std::string::npos);
    // Schema order inside spPr: geometry, outline, effects.
    EXPECT_LT(xml.find("prst=\"ellipse\""), xml.find("<a:ln "));
    EXPECT_LT(xml.find("<a:ln "), xml.find("<a:effectLst>"));
}

TEST(PptxClipboard, JpegRefusesTransparentPictures) {
    auto a = pptx::CreateAutomation();
    auto pres = a->CreatePowerPoint()->GetPresentations()->Open(PictureDeck("alpha", true), true);
    auto shapes = pres->GetSlides()->Item(1)->GetShapes();
    shapes->Item(1)->Copy();
    EXPECT_THROW(shapes->PasteSpecial(office::ppt::kPasteJPG), office::AutomationError);
    EXPECT_EQ(shapes->Count(), 1);
    EXPECT_NO_THROW(shapes->PasteSpecial(office::ppt::kPastePNG));
    a->SystemClipboard().Clear();
    EXPECT_FALSE(a->SystemClipboard().MetafilePicture());
    EXPECT_THROW(shapes->Paste(), office::AutomationError);
}

TEST(PptxClipboard, OleObjectBecomesItsPreviewAndTheEmbeddingLeaves) {
    std::string deck = test::CorpusDir() + "/aspose-net/AnimationShapesExample.pptx";
    if (!std::filesystem::exists(deck)) GTEST_SKIP() << "no corpus deck " << deck;
    auto a = pptx::CreateAutomation();
    auto pres = a->CreatePowerPoint()->GetPresentations()->Open(deck, true);
    auto shapes = pres->GetSlides()->Item(1)->GetShapes();
    std::shared_ptr<office::Shape> ole;
    for (int i = 1; i <= shapes->Count(); ++i)
        if (shapes->Item(i)->Type() == office::ppt::kShapeEmbeddedOLE) ole = shapes->Item(i);
    ASSERT_TRUE(ole);
    EXPECT_EQ(ole->GetOLEFormat()->ProgID(), "Package");
    ole->Copy();
    int before = shapes->Count();
    auto again = shapes->Paste()->Item(1); // the frame itself, embedding included
    EXPECT_EQ(again->Type(), office::ppt::kShapeEmbeddedOLE);
    again->Delete();
    auto pic = shapes->PasteSpecial(office::ppt::kPasteMetafile)->Item(1);
    EXPECT_EQ(pic->Type(), office::ppt::kShapePicture);
    EXPECT_EQ(shapes->Count(), before + 1);
    ole->Delete();
    std::string out = TempDir() + "/ole-out.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    auto entries = test::ReadZip(out);
    EXPECT_EQ(entries.count("ppt/embeddings/oleObject1.bin") + entries.count("ppt/embeddings/oleObject2.bin"), 1u);
}

// An object whose preview lives only in the slide's legacy VML drawing:
// PasteSpecial finds it, and a plain paste into another presentation (the
// measuring one) carries it as the object's fallback picture.
TEST(PptxClipboard, OlePreviewFromTheLegacyDrawingTravelsWithTheObject) {
    std::string deck = test::CorpusDir() + "/tika/testPPT_embedded_two_slides.pptx";
    if (!std::filesystem::exists(deck)) GTEST_SKIP() << "no corpus deck " << deck;
    auto a = pptx::CreateAutomation();
    auto app = a->CreatePowerPoint();
    auto pres = app->GetPresentations()->Open(deck, true);
    auto shapes = pres->GetSlides()->Item(1)->GetShapes();
    std::shared_ptr<office::Shape> ole;
    for (int i = 1; i <= shapes->Count(); ++i)
        if (shapes->Item(i)->Name() == "Object 5") ole = shapes->Item(i);
    ASSERT_TRUE(ole);
    ole->Copy();
    auto pic = shapes->PasteSpecial(office::ppt::kPasteMetafile)->Item(1);
    EXPECT_EQ(pic->Type(), office::ppt::kShapePicture);

    auto other = app->GetPresentations()->Add(false);
    auto slide = other->GetSlides()->Add(1, office::ppt::kLayoutBlank);
    auto copy = slide->GetShapes()->Paste()->Item(1);
    EXPECT_EQ(copy->Type(), office::ppt::kShapeEmbeddedOLE);
    std::string out = TempDir() + "/vml-preview.pptx";
    other->SaveAs(out);
    test::ExpectClean(out);
    auto entries = test::ReadZip(out);
    EXPECT_TRUE(entries.count("ppt/embeddings/Microsoft_Office_Excel_Worksheet1.xlsx"));
    size_t emf = 0;
    for (auto& [name, bytes] : entries) emf += name.size() > 4 && name.substr(name.size() - 4) == ".emf";
    EXPECT_EQ(emf, 1u);
    copy->Copy();
    EXPECT_NO_THROW(slide->GetShapes()->PasteSpecial(office::ppt::kPasteMetafile));
}
