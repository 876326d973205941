// File: tests/platform/pptx/shape_test.cpp
// Shapes over real shape trees: geometry, stacking, deletion clean-up,
// ungroup/group, connectors, action settings and plain copy/paste.
#include <cmath>
#include <filesystem>

#include <pugixml.hpp>

#include "deck_fixture.h"
#include "base/errors.h"

using namespace quillmax;
using quillmax::test::Rect;
using quillmax::test::TempDir;

namespace {

struct Deck {
    std::unique_ptr<office::Automation> automation = pptx::CreateAutomation();
    std::shared_ptr<office::Presentation> pres;
    std::shared_ptr<office::Slide> slide;
    std::shared_ptr<office::Shapes> shapes;
    explicit Deck(const std::string& path) {
        pres = automation->CreatePowerPoint()->GetPresentations()->Open(path, true);
        slide = pres->GetSlides()->Item(1);
        shapes = slide->GetShapes();
    }
    std::shared_ptr<office::Shape> Named(const std::string& name) {
        for (int i = 1; i <= shapes->Count(); ++i)
            if (shapes->Item(i)->Name() == name) return shapes->Item(i);
        return nullptr;
    }
    std::string Save(const std::string& name) {
        std::string out = TempDir() + "/" + name + ".pptx";
        pres->SaveAs(out);
        return out;
    }
};

std::string Group(int id, const std::string& name, long x, long y, long cx, long cy, long chx, long chy, long chcx,
                  long chcy, const std::string& members, const std::string& xfrmAttrs = "") {
    return "<p:grpSp><p:nvGrpSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
           "\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr><a:xfrm" + xfrmAttrs + "><a:off x=\"" +
           std::to_string(x) + "\" y=\"" + std::to_string(y) + "\"/><a:ext cx=\"" + std::to_string(cx) + "\" cy=\"" +
           std::to_string(cy) + "\"/><a:chOff x=\"" + std::to_string(chx) + "\" y=\"" + std::to_string(chy) +
           "\"/><a:chExt cx=\"" + std::to_string(chcx) + "\" cy=\"" + std::to_string(chcy) +
           "\"/></a:xfrm></p:grpSpPr>" + members + "</p:grpSp>";
}

std::string Connector(int id, int from, int to) {
    return "<p:cxnSp><p:nvCxnSpPr><p:cNvPr id=\"" + std::to_string(id) +
           "\" name=\"Connector\"/><p:cNvCxnSpPr><a:stCxn id=\"" + std::to_string(from) +
           "\" idx=\"3\"/><a:endCxn id=\"" + std::to_string(to) +
           "\" idx=\"1\"/></p:cNvCxnSpPr><p:nvPr/></p:nvCxnSpPr><p:spPr><a:xfrm><a:off x=\"100\" y=\"100\"/>"
           "<a:ext cx=\"1000\" cy=\"0\"/></a:xfrm><a:prstGeom prst=\"straightConnector1\"><a:avLst/></a:prstGeom>"
           "</p:spPr></p:cxnSp>";
}

// A fade entrance for each id, and their build entries.
std::string Timing(std::initializer_list<int> ids) {
    std::string effects, builds;
    int ctn = 3;
    for (int id : ids) {
        // The ids first: increments inside one + chain are unsequenced.
        const std::string s = std::to_string(id), c1 = std::to_string(ctn), c2 = std::to_string(ctn + 1),
                          c3 = std::to_string(ctn + 2), c4 = std::to_string(ctn + 3);
        ctn += 4;
        effects += "<p:par><p:cTn id=\"" + c1 +
                   "\" fill=\"hold\"><p:stCondLst><p:cond delay=\"indefinite\"/></p:stCondLst><p:childTnLst>"
                   "<p:par><p:cTn id=\"" + c2 +
                   "\" fill=\"hold\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst><p:childTnLst>"
                   "<p:par><p:cTn id=\"" + c3 +
                   "\" presetID=\"10\" presetClass=\"entr\" presetSubtype=\"0\" fill=\"hold\" grpId=\"0\" "
                   "nodeType=\"clickEffect\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst><p:childTnLst>"
                   "<p:set><p:cBhvr><p:cTn id=\"" + c4 +
                   "\" dur=\"1\" fill=\"hold\"/><p:tgtEl><p:spTgt spid=\"" + s +
                   "\"/></p:tgtEl><p:attrNameLst><p:attrName>style.visibility</p:attrName></p:attrNameLst>"
                   "</p:cBhvr><p:to><p:strVal val=\"visible\"/></p:to></p:set></p:childTnLst></p:cTn></p:par>"
                   "</p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn></p:par>";
        builds += "<p:bldP spid=\"" + s + "\" grpId=\"0\"/>";
    }
    return "<p:timing><p:tnLst><p:par><p:cTn id=\"1\" dur=\"indefinite\" restart=\"never\" nodeType=\"tmRoot\">"
           "<p:childTnLst><p:seq concurrent=\"1\" nextAc=\"seek\"><p:cTn id=\"2\" dur=\"indefinite\" "
           "nodeType=\"mainSeq\"><p:childTnLst>" +
           effects +
           "</p:childTnLst></p:cTn><p:prevCondLst><p:cond evt=\"onPrev\" delay=\"0\"><p:tgtEl><p:sldTgt/></p:tgtEl>"
           "</p:cond></p:prevCondLst><p:nextCondLst><p:cond evt=\"onNext\" delay=\"0\"><p:tgtEl><p:sldTgt/>"
           "</p:tgtEl></p:cond></p:nextCondLst></p:seq></p:childTnLst></p:cTn></p:par></p:tnLst><p:bldLst>" +
           builds + "</p:bldLst></p:timing>";
}

// Slide positions (EMU) of every leaf shape, computed from the saved XML.
std::map<std::string, std::array<double, 4>> LeafFrames(const std::string& path) {
    auto entries = test::ReadZip(path);
    pugi::xml_document doc;
    doc.load_string(entries["ppt/slides/slide1.xml"].c_str());
    std::map<std::string, std::array<double, 4>> out;
    std::function<void(pugi::xml_node, std::function<std::array<double, 4>(std::array<double, 4>)>)> walk =
        [&](pugi::xml_node parent, auto map) {
            for (auto c : parent.children()) {
                std::string tag = c.name();
                if (tag == "p:grpSp") {
                    auto x = c.child("p:grpSpPr").child("a:xfrm");
                    double ox = x.child("a:off").attribute("x").as_double(), oy = x.child("a:off").attribute("y").as_double();
                    double ex = x.child("a:ext").attribute("cx").as_double(), ey = x.child("a:ext").attribute("cy").as_double();
                    double cx = x.child("a:chOff").attribute("x").as_double(), cy = x.child("a:chOff").attribute("y").as_double();
                    double cex = x.child("a:chExt").attribute("cx").as_double(), cey = x.child("a:chExt").attribute("cy").as_double();
                    double sx = cex ? ex / cex : 1, sy = cey ? ey / cey : 1;
                    walk(c, [=](std::array<double, 4> f) {
                        return map({ox + (f[0] - cx) * sx, oy + (f[1] - cy) * sy, f[2] * sx, f[3] * sy});
                    });
                } else if (tag == "p:sp") {
                    auto x = c.child("p:spPr").child("a:xfrm");
                    out[c.child("p:nvSpPr").child("p:cNvPr").attribute("name").value()] =
                        map({x.child("a:off").attribute("x").as_double(), x.child("a:off").attribute("y").as_double(),
                             x.child("a:ext").attribute("cx").as_double(), x.child("a:ext").attribute("cy").as_double()});
                }
            }
        };
    walk(doc.child("p:sld").child("p:cSld").child("p:spTree"), [](std::array<double, 4> f) { return f; });
    return out;
}

} // namespace

TEST(PptxShape, GeometryStackingAndTypes) {
    std::string ph = "<p:sp><p:nvSpPr><p:cNvPr id=\"9\" name=\"Title 1\"/><p:cNvSpPr/><p:nvPr><p:ph type=\"title\"/>"
                     "</p:nvPr></p:nvSpPr><p:spPr/></p:sp>";
    std::string box = "<p:sp><p:nvSpPr><p:cNvPr id=\"10\" name=\"TextBox 9\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/>"
                      "</p:nvSpPr><p:spPr><a:xfrm rot=\"5400000\"><a:off x=\"12700\" y=\"25400\"/><a:ext cx=\"127000\" "
                      "cy=\"63500\"/></a:xfrm><a:prstGeom prst=\"rect\"/></p:spPr></p:sp>";
    std::string layoutPh =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Title\"/><p:cNvSpPr/><p:nvPr><p:ph type=\"title\"/></p:nvPr>"
        "</p:nvSpPr><p:spPr><a:xfrm><a:off x=\"254000\" y=\"127000\"/><a:ext cx=\"2540000\" cy=\"635000\"/></a:xfrm>"
        "</p:spPr></p:sp>";
    auto layout = std::string("<?xml version=\"1.0\"?><p:sldLayout xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
                              "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" type=\"blank\"><p:cSld><p:spTree>"
                              "<p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>") +
                  layoutPh + "</p:spTree></p:cSld></p:sldLayout>";
    Deck d(test::MakeDeck("geometry", ph + Rect(2, "A", 0, 0, 1270, 1270) + box,
                          "", {{"ppt/slideLayouts/slideLayout1.xml", layout}}));
    auto title = d.Named("Title 1");
    EXPECT_EQ(title->Type(), office::ppt::kShapePlaceholder);
    EXPECT_DOUBLE_EQ(title->Left(), 20);
    EXPECT_DOUBLE_EQ(title->Width(), 200);
    title->SetTop(30); // written on the slide, the rest inherited
    EXPECT_DOUBLE_EQ(title->Top(), 30);
    EXPECT_DOUBLE_EQ(title->Height(), 50);
    auto tb = d.Named("TextBox 9");
    EXPECT_EQ(tb->Type(), office::ppt::kShapeTextBox);
    EXPECT_DOUBLE_EQ(tb->Rotation(), 90);
    EXPECT_DOUBLE_EQ(tb->Left(), 1);
    EXPECT_EQ(tb->ZOrderPosition(), 3);
    tb->ZOrder(office::ppt::kSendBackward);
    EXPECT_EQ(tb->ZOrderPosition(), 2);
    auto added = d.shapes->AddShape(office::ppt::kAddOval, 1, 2, 3, 4);
    EXPECT_EQ(added->ZOrderPosition(), 4);
    EXPECT_EQ(added->Name(), "Oval 10"); // id 11
    test::ExpectClean(d.Save("geometry-out"));
}

TEST(PptxShape, DeletingAnAnimatedGluedShapeLeavesNoDanglingReference) {
    Deck d(test::MakeDeck("delete",
                          Rect(2, "A", 0, 0, 100, 100) + Rect(3, "B", 500, 0, 100, 100) + Connector(4, 2, 3),
                          Timing({2, 3})));
    auto cxn = d.Named("Connector");
    ASSERT_TRUE(cxn->Connector());
    auto fmt = cxn->GetConnectorFormat();
    EXPECT_EQ(fmt->BeginConnectedShape()->Name(), "A");
    EXPECT_EQ(fmt->BeginConnectionSite(), 4);
    EXPECT_EQ(fmt->EndConnectionSite(), 2);

    auto a = d.Named("A");
    a->Delete();
    EXPECT_THROW(a->Name(), office::AutomationError);
    EXPECT_FALSE(fmt->BeginConnected());
    EXPECT_TRUE(fmt->EndConnected());
    std::string out = d.Save("delete-out");
    test::ExpectClean(out);
    auto xml = test::ReadZip(out)["ppt/slides/slide1.xml"];
    EXPECT_EQ(xml.find("spid=\"2\""), std::string::npos);
    EXPECT_NE(xml.find("spid=\"3\""), std::string::npos);

    // the last animated shape takes the timing with it
    d.Named("B")->Delete();
    out = d.Save("delete-out2");
    test::ExpectClean(out);
    EXPECT_EQ(test::ReadZip(out)["ppt/slides/slide1.xml"].find("p:timing"), std::string::npos);
}

TEST(PptxShape, UngroupThenGroupKeepsNestedScaledMembersInPlace) {
    std::string inner = Group(5, "Inner", 2000, 2000, 3000, 1500, 0, 0, 6000, 6000,
                              Rect(6, "C", 0, 0, 3000, 3000) + Rect(7, "D", 3000, 3000, 3000, 3000));
    std::string outer = Group(3, "Outer", 100000, 50000, 400000, 300000, 1000, 1000, 7000, 9000,
                              Rect(4, "B", 1000, 1000, 1000, 1000) + inner);
    Deck d(test::MakeDeck("groups", Rect(2, "A", 0, 0, 10, 10) + outer));
    std::string before = d.Save("groups-before");
    auto posBefore = LeafFrames(before);

    auto range = d.Named("Outer")->Ungroup();
    ASSERT_EQ(range->Count(), 2);
    EXPECT_EQ(d.shapes->Count(), 3);
    range->Item(1)->Select(true);
    range->Item(2)->Select(false);
    auto g = d.pres->Windows(1)->GetSelection()->GetShapeRange()->Group();
    EXPECT_EQ(g->Type(), office::ppt::kShapeGroup);
    EXPECT_EQ(d.shapes->Count(), 2);
    std::string after = d.Save("groups-after");
    test::ExpectClean(after);
    auto posAfter = LeafFrames(after);
    ASSERT_EQ(posAfter.size(), posBefore.size());
    for (auto& [name, f] : posBefore)
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(posAfter[name][i], f[i], 1.0) << name << " " << i;
}

TEST(PptxShape, UngroupOfARotatedFlippedGroupKeepsCentres) {
    std::string grp = Group(3, "G", 0, 0, 2000, 1000, 0, 0, 2000, 1000,
                            Rect(4, "L", 0, 0, 500, 1000) + Rect(5, "R", 1500, 0, 500, 1000), " rot=\"5400000\" flipH=\"1\"");
    Deck d(test::MakeDeck("rotgroup", grp));
    d.Named("G")->Ungroup();
    auto l = d.Named("L");
    // L sits left in the group; flipped it goes right (x 1500..2000), then a
    // quarter turn about the centre (1000, 500) puts its centre at (1000, 1250).
    EXPECT_NEAR((l->Left() + l->Width() / 2) * 12700, 1000, 1);
    EXPECT_NEAR((l->Top() + l->Height() / 2) * 12700, 1250, 1);
    EXPECT_DOUBLE_EQ(l->Rotation(), 90);
}

TEST(PptxShape, RegroupingRotatedMembersKeepsTheGroupFrame) {
    // A quarter-turned 2000 x 1000 member counts as 1000 x 2000 about its
    // centre (1000, 1000); a member at 330 degrees counts unturned.
    std::string turned = Rect(4, "T", 0, 500, 2000, 1000);
    turned.replace(turned.find("<a:xfrm>"), 8, "<a:xfrm rot=\"5400000\">");
    std::string tilted = Rect(5, "S", 1500, 0, 1000, 2000);
    tilted.replace(tilted.find("<a:xfrm>"), 8, "<a:xfrm rot=\"19800000\">");
    std::string grp = Group(3, "G", 500, 0, 2000, 2000, 500, 0, 2000, 2000, turned + tilted);
    Deck d(test::MakeDeck("rotmembers", grp));
    auto g = d.Named("G");
    const double frame[4] = {g->Left(), g->Top(), g->Width(), g->Height()};
    auto range = g->Ungroup();
    range->Item(1)->Select(true);
    range->Item(2)->Select(false);
    auto again = d.pres->Windows(1)->GetSelection()->GetShapeRange()->Group();
    const double now[4] = {again->Left(), again->Top(), again->Width(), again->Height()};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(now[i] * 12700, frame[i] * 12700, 1) << i;
}

TEST(PptxShape, HiddenAltTextAndTitleLiveOnTheShapesProperties) {
    Deck d(test::MakeDeck("cnvpr", Rect(2, "A", 0, 0, 10, 10) + Rect(3, "B", 0, 0, 10, 10)));
    auto a = d.Named("A");
    EXPECT_EQ(a->Visible(), -1);
    a->SetVisible(0);
    a->SetAlternativeText("A map of \"Kyoto\" & Nara");
    a->SetTitle("Map");
    EXPECT_EQ(a->Visible(), 0);
    std::string out = d.Save("cnvpr-out");
    test::ExpectClean(out);
    auto xml = test::ReadZip(out)["ppt/slides/slide1.xml"];
    EXPECT_NE(xml.find("hidden=\"1\""), std::string::npos);
    EXPECT_NE(xml.find("descr=\"A map of &quot;Kyoto&quot; &amp; Nara\""), std::string::npos);
    EXPECT_NE(xml.find("title=\"Map\""), std::string::npos);
    a->SetVisible(-1);
    a->SetTitle("");
    EXPECT_EQ(d.Named("A")->Visible(), -1);
    d.Save("cnvpr-out2");
    xml = test::ReadZip(TempDir() + "/cnvpr-out2.pptx")["ppt/slides/slide1.xml"];
    EXPECT_EQ(xml.find("hidden="), std::string::npos);
    EXPECT_EQ(xml.find("title="), std::string::npos);
}

TEST(PptxShape, CopiedActionSettingKeepsLinkAndSound) {
    std::string click = "<a:hlinkClick r:id=\"rId7\" tooltip=\"tip\" highlightClick=\"1\"><a:snd r:embed=\"rId8\" "
                        "name=\"chime.wav\"/></a:hlinkClick>";
    std::string rels = test::ReadZip(test::MakeDeck("rels-src", ""))["ppt/slides/_rels/slide1.xml.rels"];
    rels.replace(rels.find("</Relationships>"), 16,
                 "<Relationship Id=\"rId7\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                 "hyperlink\" Target=\"mailto:a@example.com?subject=Hi\" TargetMode=\"External\"/><Relationship "
                 "Id=\"rId8\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/audio\" "
                 "Target=\"../media/audio1.wav\"/></Relationships>");
    std::string ct = test::ReadZip(test::MakeDeck("ct-src", ""))["[Content_Types].xml"];
    ct.replace(ct.find("</Types>"), 8, "<Default Extension=\"wav\" ContentType=\"audio/wav\"/></Types>");
    Deck d(test::MakeDeck("actions", Rect(2, "Src", 0, 0, 100, 100, click) + Rect(3, "Dst", 0, 0, 100, 100), "",
                          {{"ppt/slides/_rels/slide1.xml.rels", rels},
                           {"ppt/media/audio1.wav", "RIFF....WAVE"},
                           {"[Content_Types].xml", ct}}));
    auto src = d.Named("Src")->ActionSettings(office::ppt::kMouseClick);
    auto dst = d.Named("Dst")->ActionSettings(office::ppt::kMouseClick);
    EXPECT_EQ(src->Action(), 7);
    EXPECT_EQ(src->GetHyperlink()->Address(), "mailto:a@example.com");
    EXPECT_EQ(src->GetHyperlink()->EmailSubject(), "Hi");
    EXPECT_EQ(src->GetSoundEffect()->Type(), 2);

    // the copy the engine makes, in its order
    auto sh = src->GetHyperlink(), dh = dst->GetHyperlink();
    dh->SetAddress(sh->Address());
    dh->SetEmailSubject(sh->EmailSubject());
    dh->SetScreenTip(sh->ScreenTip());
    dh->SetShowAndReturn(sh->ShowAndReturn());
    dh->SetSubAddress(sh->SubAddress());
    dh->SetTextToDisplay(sh->TextToDisplay());
    dst->GetSoundEffect()->SetName(src->GetSoundEffect()->Name());
    dst->GetSoundEffect()->SetType(src->GetSoundEffect()->Type());
    dst->SetAction(src->Action());
    dst->SetAnimateAction(src->AnimateAction());
    dst->SetRun(src->Run());
    dst->SetSlideShowName(src->SlideShowName());

    EXPECT_EQ(dst->Action(), 7);
    EXPECT_EQ(dst->AnimateAction(), -1);
    EXPECT_EQ(dst->GetHyperlink()->Address(), "mailto:a@example.com");
    EXPECT_EQ(dst->GetHyperlink()->EmailSubject(), "Hi");
    EXPECT_EQ(dst->GetHyperlink()->ScreenTip(), "tip");
    EXPECT_EQ(dst->GetSoundEffect()->Name(), "chime.wav");
    EXPECT_EQ(dst->GetSoundEffect()->Type(), 2);

    // the source goes away; the copy keeps link and sound alive in the package
    d.Named("Src")->Delete();
    std::string out = d.Save("actions-out");
    test::ExpectClean(out);
    auto entries = test::ReadZip(out);
    EXPECT_EQ(entries.count("ppt/media/audio1.wav"), 1u);
    EXPECT_NE(entries["ppt/slides/_rels/slide1.xml.rels"].find("mailto:a@example.com?subject=Hi"), std::string::npos);

    auto hover = d.Named("Dst")->ActionSettings(office::ppt::kMouseOver);
    EXPECT_EQ(hover->Action(), 0);
    hover->SetAction(1);
    EXPECT_EQ(hover->Action(), 1);
    EXPECT_THROW(hover->GetSoundEffect()->SetName("no such sound"), office::AutomationError);
}

TEST(PptxShape, PlainPasteReproducesTheShapeInAnotherPresentation) {
    std::string pic = "<p:pic><p:nvPicPr><p:cNvPr id=\"2\" name=\"Picture 1\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
                      "<p:blipFill><a:blip r:embed=\"rId9\"/><a:srcRect l=\"10000\"/><a:stretch><a:fillRect/></a:stretch>"
                      "</p:blipFill><p:spPr><a:xfrm><a:off x=\"12700\" y=\"12700\"/><a:ext cx=\"1270000\" cy=\"635000\"/>"
                      "</a:xfrm><a:prstGeom prst=\"rect\"/></p:spPr></p:pic>";
    auto base = test::ReadZip(test::MakeDeck("pic-src", ""));
    std::string rels = base["ppt/slides/_rels/slide1.xml.rels"];
    rels.replace(rels.find("</Relationships>"), 16,
                 "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                 "image\" Target=\"../media/image1.png\"/></Relationships>");
    std::string png = "\x89PNG not really";
    Deck d(test::MakeDeck("paste", pic, "", {{"ppt/slides/_rels/slide1.xml.rels", rels}, {"ppt/media/image1.png", png}}));
    auto shape = d.Named("Picture 1");
    EXPECT_EQ(shape->Type(), office::ppt::kShapePicture);
    shape->Copy();

    auto other = d.automation->CreatePowerPoint()->GetPresentations()->Add(true);
    auto target = other->GetSlides()->Add(1, 12)->GetShapes();
    target->AddShape(1, 0, 0, 10, 10);
    auto pasted = target->Paste();
    ASSERT_EQ(pasted->Count(), 1);
    auto p = pasted->Item(1);
    EXPECT_EQ(p->ZOrderPosition(), 2);
    EXPECT_EQ(p->Name(), "Picture 1");
    EXPECT_DOUBLE_EQ(p->Width(), 100);
    std::string out = TempDir() + "/paste-out.pptx";
    other->SaveAs(out);
    test::ExpectClean(out);
    auto entries = test::ReadZip(out);
    bool found = false;
    for (auto& [k, v] : entries) found |= k.rfind("ppt/media/", 0) == 0 && v == png;
    EXPECT_TRUE(found);
    EXPECT_NE(entries["ppt/slides/slide1.xml"].find("<a:srcRect l=\"10000\"/>"), std::string::npos);

    // pasting back onto the source slide gives a new id and shares the image
    auto again = d.shapes->Paste()->Item(1);
    EXPECT_NE(d.slide->GetShapes()->Count(), 1);
    out = d.Save("paste-back");
    test::ExpectClean(out);
    int images = 0;
    for (auto& [k, v] : test::ReadZip(out)) images += k.rfind("ppt/media/", 0) == 0;
    EXPECT_EQ(images, 1);
    EXPECT_THROW(d.shapes->PasteSpecial(9), office::AutomationError);
}
