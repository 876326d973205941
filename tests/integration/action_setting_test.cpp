// File: tests/platform/pptx/action_setting_test.cpp
// Every kind of action a shape's click or hover can hold, read from one
// shape and assigned to another as the replacement code does: the new
// shape's XML means the same (action URL, target, tooltip, highlight,
// sound), and addresses read decoded.
#include <map>

#include <pugixml.hpp>

#include "platform/pptx/deck_fixture.h"
#include "engine/transfers.h"
#include "base/errors.h"

using namespace quillmax;
using quillmax::test::Rect;
using quillmax::test::TempDir;

namespace {

const char* kHyperlinkType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink";

struct Kind {
    std::string name, element, target; // target: external hyperlink relationship, or ""
};

// One source shape per kind; the element goes into cNvPr.
const std::vector<Kind> kKinds = {
    {"file", R"(<a:hlinkClick r:id="rIdT" action="ppaction://hlinkfile"/>)", "file:///C:/My%20Docs/report.docx"},
    {"pres", R"(<a:hlinkClick r:id="rIdT" action="ppaction://hlinkpres?slideindex=2&amp;slidetitle=Plan B"/>)",
     "other%20deck.pptx#-1,2,Plan B"},
    {"show", R"(<a:hlinkClick r:id="" action="ppaction://customshow?id=0&amp;return=true"/>)", ""},
    {"jump", R"(<a:hlinkClick r:id="" action="ppaction://hlinkshowjump?jump=lastslide" highlightClick="1"/>)", ""},
    {"end", R"(<a:hlinkHover r:id="" action="ppaction://hlinkshowjump?jump=endshow"/>)", ""},
    {"macro", R"(<a:hlinkClick r:id="" action="ppaction://macro?name=Module1.Run"/>)", ""},
    {"program", R"(<a:hlinkClick r:id="rIdT" action="ppaction://program"/>)", "file:///usr/bin/calc"},
    {"mail", R"(<a:hlinkHover r:id="rIdT" tooltip="write to us"/>)", "mailto:info@example.com?subject=Hello%20there"},
    {"url", R"(<a:hlinkClick r:id="rIdT" tooltip="site"/>)", "https://example.com/a%20b#part"},
    {"highlight", R"(<a:hlinkClick r:id="" action="ppaction://noaction" highlightClick="1"/>)", ""},
    {"endsound", R"(<a:hlinkClick r:id="" action="ppaction://noaction" endSnd="1"/>)", ""},
};

std::map<std::string, std::string> Entries(const std::string& name) {
    auto entries = test::ReadZip(test::MakeDeck(name + "-base", ""));
    std::string rels = entries["ppt/slides/_rels/slide1.xml.rels"];
    std::string add;
    for (size_t k = 0; k < kKinds.size(); ++k)
        if (!kKinds[k].target.empty())
            add += "<Relationship Id=\"rIdT" + std::to_string(k) + "\" Type=\"" + kHyperlinkType + "\" Target=\"" +
                   kKinds[k].target + "\" TargetMode=\"External\"/>";
    rels.replace(rels.find("</Relationships>"), 16, add + "</Relationships>");
    std::string pres = entries["ppt/presentation.xml"];
    const std::string shows = "<p:custShowLst><p:custShow name=\"Short\" id=\"0\"><p:sldLst/></p:custShow></p:custShowLst>";
    auto at = pres.find("<p:defaultTextStyle");
    if (at == std::string::npos) at = pres.find("</p:presentation>");
    pres.insert(at, shows);
    return {{"ppt/slides/_rels/slide1.xml.rels", rels}, {"ppt/presentation.xml", pres}};
}

std::string Shapes() {
    std::string out;
    for (size_t k = 0; k < kKinds.size(); ++k) {
        std::string el = kKinds[k].element;
        auto rid = el.find("\"rIdT\"");
        if (rid != std::string::npos) el.replace(rid, 6, "\"rIdT" + std::to_string(k) + "\"");
        out += Rect(static_cast<int>(2 + 2 * k), "Src " + kKinds[k].name, 0, 0, 100, 100, el);
        out += Rect(static_cast<int>(3 + 2 * k), "Dst " + kKinds[k].name, 0, 0, 100, 100);
    }
    return out;
}

// What an a:hlinkClick / a:hlinkHover means, relationship resolved.
std::string Meaning(pugi::xml_node e, const std::map<std::string, std::string>& rels) {
    if (!e) return "none";
    std::string action = e.attribute("action").value();
    if (action.empty() && !*e.attribute("r:id").value()) action = "ppaction://noaction";
    std::string out = action;
    auto r = rels.find(e.attribute("r:id").value());
    if (r != rels.end()) out += " -> " + r->second;
    if (*e.attribute("tooltip").value()) out += " tip=" + std::string(e.attribute("tooltip").value());
    if (e.attribute("highlightClick").as_bool()) out += " highlight";
    if (e.attribute("endSnd").as_bool()) out += " endSnd";
    if (auto snd = e.child("a:snd")) out += " snd=" + std::string(snd.attribute("name").value());
    return out;
}

std::map<std::string, std::string> Meanings(const std::string& path) {
    auto entries = test::ReadZip(path);
    pugi::xml_document rels, slide;
    rels.load_string(entries["ppt/slides/_rels/slide1.xml.rels"].c_str());
    slide.load_string(entries["ppt/slides/slide1.xml"].c_str());
    std::map<std::string, std::string> byId;
    for (auto r : rels.document_element().children("Relationship")) {
        // Escapes are the same address either way.
        std::string t = r.attribute("Target").value();
        for (size_t p; (p = t.find("%20")) != std::string::npos;) t.replace(p, 3, " ");
        byId[r.attribute("Id").value()] = t;
    }
    std::map<std::string, std::string> out;
    for (auto c : slide.select_nodes("//p:cNvPr")) {
        auto n = c.node();
        out[std::string(n.attribute("name").value()) + " click"] = Meaning(n.child("a:hlinkClick"), byId);
        out[std::string(n.attribute("name").value()) + " hover"] = Meaning(n.child("a:hlinkHover"), byId);
    }
    return out;
}

struct Deck {
    std::unique_ptr<office::Automation> automation = pptx::CreateAutomation();
    std::shared_ptr<office::Presentation> pres;
    std::shared_ptr<office::Shapes> shapes;
    explicit Deck(const std::string& path) {
        pres = automation->CreatePowerPoint()->GetPresentations()->Open(path, true);
        shapes = pres->GetSlides()->Item(1)->GetShapes();
    }
    std::shared_ptr<office::Shape> Named(const std::string& name) {
        for (int i = 1; i <= shapes->Count(); ++i)
            if (shapes->Item(i)->Name() == name) return shapes->Item(i);
        return nullptr;
    }
};

} // namespace

TEST(PptxActionSetting, EveryKindMeansTheSameOnTheShapeItIsCopiedTo) {
    Deck d(test::MakeDeck("action-kinds", Shapes(), "", Entries("action-kinds")));
    for (const auto& k : kKinds)
        for (int index : {office::ppt::kMouseClick, office::ppt::kMouseOver})
            engine::CopyActionSetting(d.Named("Src " + k.name)->ActionSettings(index),
                                      d.Named("Dst " + k.name)->ActionSettings(index));
    const std::string out = TempDir() + "/action-kinds-out.pptx";
    d.pres->SaveAs(out);
    test::ExpectClean(out);
    auto m = Meanings(out);
    for (const auto& k : kKinds)
        for (const char* which : {" click", " hover"})
            EXPECT_EQ(m["Dst " + k.name + which], m["Src " + k.name + which]) << k.name << which;
    // Spot checks on what the comparison is made of.
    EXPECT_EQ(m["Dst show click"], "ppaction://customshow?id=0&return=true");
    EXPECT_EQ(m["Dst file click"], "ppaction://hlinkfile -> file:///C:/My Docs/report.docx");
}

TEST(PptxActionSetting, AddressesReadDecodedAndTheKindFollowsTheAddress) {
    Deck d(test::MakeDeck("action-address", Shapes(), "", Entries("action-address")));
    auto link = d.Named("Src file")->ActionSettings(office::ppt::kMouseClick)->GetHyperlink();
    EXPECT_EQ(link->Address(), "file:///C:/My Docs/report.docx");
    auto pres = d.Named("Src pres")->ActionSettings(office::ppt::kMouseClick);
    EXPECT_EQ(pres->Action(), 7);
    EXPECT_EQ(pres->GetHyperlink()->Address(), "other deck.pptx");
    EXPECT_EQ(pres->GetHyperlink()->SubAddress(), "-1,2,Plan B");
    auto mail = d.Named("Src mail")->ActionSettings(office::ppt::kMouseOver)->GetHyperlink();
    EXPECT_EQ(mail->Address(), "mailto:info@example.com");
    EXPECT_EQ(mail->EmailSubject(), "Hello there");

    // A web address written where a file link was is a plain link again.
    link->SetAddress("https://example.com/");
    d.pres->SaveAs(TempDir() + "/action-address-out.pptx");
    EXPECT_EQ(Meanings(TempDir() + "/action-address-out.pptx")["Src file click"], " -> https://example.com/");
}

TEST(PptxActionSetting, OleVerbsAreRefusedOnShapesThatAreNoOleObject) {
    Deck d(test::MakeDeck("action-ole", Rect(2, "Plain", 0, 0, 100, 100)));
    auto a = d.Named("Plain")->ActionSettings(office::ppt::kMouseClick);
    EXPECT_THROW(a->SetAction(11), office::AutomationError);
    EXPECT_EQ(a->Action(), 0);
}
