// File: tests/platform/pptx/deck_builder_test.cpp
// The builder's packages are structurally sound: every part parses, every
// relationship resolves, every part has a content type, shape ids are
// unique, glue and timing point at shapes that exist; media are shared.
#include "fixtures/deck_builder.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <map>
#include <set>

#include "base/errors.h"
#include "platform/pptx/zip_io.h"
#include "support/temp_folder.h"

namespace quillmax::pptx::deck {
namespace {

std::map<std::string, std::string> Unzip(const std::string& bytes) {
    std::map<std::string, std::string> parts;
    for (auto& e : ZipArchiveEntries(bytes)) parts[e.name] = std::move(e.bytes);
    return parts;
}

std::string Resolve(const std::string& from, const std::string& target) {
    namespace fs = std::filesystem;
    fs::path base = fs::path(from).parent_path();
    return (base / target).lexically_normal().string();
}

// Structural problems of a package, as text.
std::vector<std::string> Problems(const std::map<std::string, std::string>& parts) {
    std::vector<std::string> out;
    pugi::xml_document types;
    types.load_string(parts.at("[Content_Types].xml").c_str());
    std::set<std::string> defaults, overrides;
    for (auto d : types.child("Types").children("Default")) defaults.insert(d.attribute("Extension").value());
    for (auto o : types.child("Types").children("Override")) overrides.insert(std::string(o.attribute("PartName").value()).substr(1));
    for (const auto& [name, data] : parts) {
        std::string ext = name.substr(name.rfind('.') + 1);
        if (name != "[Content_Types].xml" && !defaults.count(ext) && !overrides.count(name)) out.push_back("no content type: " + name);
        if (ext == "xml" || ext == "rels") {
            pugi::xml_document doc;
            if (!doc.load_buffer(data.data(), data.size())) out.push_back("broken XML: " + name);
        }
        if (ext != "rels") continue;
        // ppt/slides/_rels/slide1.xml.rels belongs to ppt/slides/slide1.xml
        std::string owner = name;
        owner.erase(owner.find("_rels/"), 6);
        owner.erase(owner.size() - 5);
        pugi::xml_document rels;
        rels.load_buffer(data.data(), data.size());
        for (auto r : rels.child("Relationships").children("Relationship")) {
            if (std::string(r.attribute("TargetMode").value()) == "External") continue;
            std::string target = name == "_rels/.rels" ? r.attribute("Target").value() : Resolve(owner, r.attribute("Target").value());
            if (!parts.count(target)) out.push_back("unresolved: " + name + " -> " + target);
        }
    }
    // Shape ids per slide, and references to them.
    for (const auto& [name, data] : parts) {
        if (name.rfind("ppt/slides/slide", 0) != 0) continue;
        pugi::xml_document doc;
        doc.load_buffer(data.data(), data.size());
        std::set<int> ids;
        for (auto n : doc.select_nodes("//p:cNvPr")) {
            int id = n.node().attribute("id").as_int();
            if (id && !ids.insert(id).second) out.push_back("duplicate id " + std::to_string(id) + " on " + name);
        }
        for (const char* q : {"//p:spTgt/@spid", "//p:bldP/@spid", "//a:stCxn/@id", "//a:endCxn/@id"})
            for (auto a : doc.select_nodes(q))
                if (!ids.count(a.attribute().as_int())) out.push_back(std::string("dangling ") + q + " on " + name);
    }
    return out;
}

Deck Everything() {
    std::string jpeg = MakePhotoJpeg(320, 240, 7, 90);
    Deck d;
    Slide s;
    auto pic = Picture({jpeg, "jpeg"}, {36, 36, 240, 180});
    pic.crop = {0.1, 0, 0, 0.2};
    pic.geometry.rotation = 30;
    pic.descr = "a landscape";
    pic.click = Action{"https://example.org/a?b&c", "", "tip", "chime.wav", std::string("RIFF\0\0\0\0WAVE", 12)};
    pic.hover = Action{"", "ppaction://hlinkshowjump?jump=nextslide", "", "", ""};
    s.shapes.push_back(pic);
    s.shapes.push_back(Picture({jpeg, "jpeg"}, {300, 36, 120, 90})); // same bytes: one media part
    auto box = Rectangle({36, 300, 100, 50}, "FF0000", "A & B");
    box.id = 20;
    s.shapes.push_back(box);
    auto oval = Oval({300, 300, 100, 50});
    oval.id = 21;
    s.shapes.push_back(oval);
    Shape cxn;
    cxn.kind = Kind::Connector;
    cxn.geometry = {136, 325, 164, 0};
    cxn.startId = 20, cxn.startSite = 3, cxn.endId = 21, cxn.endSite = 1;
    s.shapes.push_back(cxn);
    // A group scaled by two, holding another group.
    auto inner = Group({0, 0, 50, 50}, {Oval({0, 0, 50, 50}, "00FF00")});
    auto outer = Group({450, 36, 200, 200}, {Picture({MakeLineArtPng(100, 100, 1), "png"}, {0, 0, 50, 50}), inner});
    outer.childLeft = 0, outer.childTop = 0, outer.childWidth = 100, outer.childHeight = 100;
    s.shapes.push_back(outer);
    s.shapes.push_back(TextBox({36, 400, 300, 40}, "Two\nlines"));
    Shape ole;
    ole.kind = Kind::OleObject;
    ole.geometry = {450, 300, 120, 90};
    ole.progId = "Excel.Sheet.12";
    ole.oleBytes = "not really an OLE file";
    imaging::Rendering r = imaging::Render({jpeg, "jpeg"}, {}, 40, 30);
    ole.image = {imaging::WrapInEmf(r), "emf"};
    s.shapes.push_back(ole);
    Shape video;
    video.kind = Kind::Video;
    video.geometry = {600, 300, 100, 75};
    video.videoBytes = "fake mp4";
    video.image = {jpeg, "jpeg"};
    s.shapes.push_back(video);
    s.effects = {{20, 10, Trigger::OnClick}, {21, 1, Trigger::WithPrevious}, {2, 10, Trigger::AfterPrevious, 500, 0, false}};
    d.slides.push_back(s);
    d.slides.push_back(Slide{{TextBox({36, 36, 300, 40}, "second")}, {}});
    return d;
}

TEST(DeckBuilder, WritesAStructurallySoundPackage) {
    auto parts = Unzip(Build(Everything()));
    EXPECT_EQ(Problems(parts), std::vector<std::string>{});
    EXPECT_TRUE(parts.count("ppt/slides/slide2.xml"));
    size_t jpegs = 0;
    for (const auto& [name, data] : parts) jpegs += name.find(".jpeg") != std::string::npos;
    EXPECT_EQ(jpegs, 1u) << "identical pictures share one media part";
    EXPECT_TRUE(parts.count("ppt/embeddings/oleObject1.bin"));
}

TEST(DeckBuilder, WritesWhatTheDescriptionSays) {
    auto parts = Unzip(Build(Everything()));
    pugi::xml_document doc;
    doc.load_string(parts.at("ppt/slides/slide1.xml").c_str());
    auto pic = doc.select_node("//p:pic").node();
    EXPECT_STREQ(pic.select_node(".//p:cNvPr").node().attribute("name").value(), "Picture 1");
    EXPECT_STREQ(pic.select_node(".//p:cNvPr").node().attribute("descr").value(), "a landscape");
    EXPECT_EQ(pic.select_node(".//a:xfrm").node().attribute("rot").as_llong(), 1800000);
    EXPECT_EQ(pic.select_node(".//a:off").node().attribute("x").as_llong(), 36 * 12700);
    EXPECT_EQ(pic.select_node(".//a:srcRect").node().attribute("b").as_int(), 20000);
    EXPECT_STREQ(pic.select_node(".//a:hlinkClick/a:snd").node().attribute("name").value(), "chime.wav");
    EXPECT_STREQ(pic.select_node(".//a:hlinkHover").node().attribute("action").value(),
                 "ppaction://hlinkshowjump?jump=nextslide");
    auto outer = doc.select_node("/p:sld/p:cSld/p:spTree/p:grpSp").node();
    EXPECT_EQ(outer.select_node("p:grpSpPr/a:xfrm/a:chExt").node().attribute("cx").as_llong(), 100 * 12700);
    EXPECT_TRUE(outer.child("p:grpSp")) << "nested group";
    EXPECT_EQ(doc.select_node("//a:stCxn").node().attribute("idx").as_int(), 3);
    auto effects = doc.select_nodes("//p:cTn[@presetClass='entr']");
    ASSERT_EQ(effects.size(), 3u);
    EXPECT_STREQ(effects[0].node().attribute("nodeType").value(), "clickEffect");
    EXPECT_STREQ(effects[1].node().attribute("nodeType").value(), "withEffect");
    EXPECT_STREQ(effects[2].node().attribute("nodeType").value(), "afterEffect");
    EXPECT_EQ(doc.select_nodes("//p:bldP").size(), 2u);
    EXPECT_STREQ(doc.select_node("//p:oleObj").node().attribute("progId").value(), "Excel.Sheet.12");

    auto rels = parts.at("ppt/slides/_rels/slide1.xml.rels");
    EXPECT_NE(rels.find("https://example.org/a?b&amp;c\" TargetMode=\"External\""), std::string::npos);
}

TEST(DeckBuilder, RefusesIncompleteDescriptionsAndWritesAtomically) {
    EXPECT_THROW(Build(Deck{}), office::AutomationError);
    Deck d;
    d.slides.push_back(Slide{{Picture({}, {0, 0, 10, 10})}, {}});
    EXPECT_THROW(Build(d), office::AutomationError);

    test::TempFolder tmp;
    const auto& dir = tmp.path();
    EXPECT_THROW(Write(d, (dir / "bad.pptx").string()), office::AutomationError);
    Write(Everything(), (dir / "good.pptx").string());
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"good.pptx"});
}

TEST(DeckBuilder, KeepsTheSamePictureTwiceWhenAskedNotToShare) {
    const std::string jpeg = MakePhotoJpeg(64, 48, 3, 80);
    Deck d;
    d.slides.push_back(Slide{{Picture({jpeg, "jpeg"}, {0, 0, 64, 48}), Picture({jpeg, "jpeg"}, {100, 0, 64, 48})}, {}});
    for (bool share : {true, false}) {
        d.shareMedia = share;
        auto parts = Unzip(Build(d));
        EXPECT_EQ(Problems(parts), std::vector<std::string>{});
        EXPECT_EQ(parts.count("ppt/media/image2.jpeg"), share ? 0u : 1u) << "share " << share;
        const std::string& rels = parts.at("ppt/slides/_rels/slide1.xml.rels");
        EXPECT_EQ(rels.find("image2.jpeg") == std::string::npos, share) << rels;
    }
}

TEST(DeckBuilderPictures, AreDeterministicBySeed) {
    EXPECT_EQ(MakePhotoJpeg(200, 100, 4, 90), MakePhotoJpeg(200, 100, 4, 90));
    EXPECT_NE(MakePhotoJpeg(200, 100, 4, 90), MakePhotoJpeg(200, 100, 5, 90));
    EXPECT_EQ(MakeLineArtPng(200, 100, 4), MakeLineArtPng(200, 100, 4));
    // A photo has many colours and little flat area; line art mostly white.
    auto photo = imaging::Render({MakePhotoJpeg(200, 100, 4, 90), "jpeg"}, {}, 200, 100);
    auto art = imaging::ToRaster(imaging::Render({MakeLineArtPng(200, 100, 4), "png"}, {}, 200, 100));
    std::set<std::uint32_t> colours;
    for (auto p : imaging::ToRaster(photo).pixels) colours.insert(p);
    EXPECT_GT(colours.size(), 2000u);
    size_t white = 0;
    for (auto p : art.pixels) white += p == 0xFFFFFF;
    EXPECT_GT(white, art.pixels.size() / 3);
}

} // namespace
} // namespace quillmax::pptx::deck
