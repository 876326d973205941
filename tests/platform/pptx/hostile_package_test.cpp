// File: tests/platform/pptx/hostile_package_test.cpp
// Packages made to hurt the reader, built here: nesting deeper than any
// stack, slides that inflate to millions of tiny elements, two content-type
// entries, entries whose checksum lies.
#include <filesystem>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/errors.h"
#include "platform/pptx/package.h"
#include "platform/pptx/xml_util.h"
#include "deck_fixture.h"

using namespace quillmax;
using quillmax::test::TempDir;

namespace {

std::string Nested(size_t depth) {
    std::string s;
    s.reserve(depth * 9);
    for (size_t i = 0; i < depth; ++i) s += "<q:d>";
    for (size_t i = 0; i < depth; ++i) s += "</q:d>";
    return s;
}

// Extra markup after the slide's colour mapping, where unknown extensions go.
std::string Extension(const std::string& inner) {
    return "<p:extLst><p:ext uri=\"{7A1B0000-0000-0000-0000-000000000000}\">" + inner + "</p:ext></p:extLst>";
}

std::string Tiny(size_t count) {
    std::string s;
    s.reserve(count * 4);
    for (size_t i = 0; i < count; ++i) s += "<a/>";
    return s;
}

std::shared_ptr<office::Presentation> Open(const std::string& path) {
    static auto automation = pptx::CreateAutomation();
    return automation->CreatePowerPoint()->GetPresentations()->Open(path, true);
}

std::string OpenError(const std::string& path) {
    try {
        Open(path);
    } catch (const office::AutomationError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(HostilePackage, ElementWalksDoNotRecurse) {
    pugi::xml_document doc;
    std::string text = "<r>" + Nested(200000) + "</r>";
    ASSERT_TRUE(doc.load_buffer(text.data(), text.size()));
    size_t seen = 0;
    pptx::ForEachElement(doc.document_element(), [&](pugi::xml_node) { ++seen; });
    EXPECT_EQ(seen, 200000u);
    EXPECT_EQ(pptx::XmlDepth(doc.document_element()), 200000u);
    EXPECT_EQ(pptx::XmlDepth(doc), 200001u);
}

TEST(HostilePackage, DeepSlideIsRefusedCleanly) {
    std::string path = test::MakeDeck("deep", test::Rect(2, "r", 0, 0, 100, 100), Extension(Nested(200000)));
    EXPECT_NE(OpenError(path).find("nested too deeply"), std::string::npos);
    auto problems = pptx::CheckPackageFile(path);
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems.front().find("nested too deeply"), std::string::npos) << problems.front();
}

TEST(HostilePackage, NestingWithinTheBoundOpensEditsAndSaves) {
    std::string path = test::MakeDeck("nested", test::Rect(2, "r", 0, 0, 100, 100), Extension(Nested(200)));
    auto pres = Open(path);
    pres->GetSlides()->Item(1)->GetShapes()->Item(1)->Delete();
    std::string out = TempDir() + "/nested-out.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    std::string slide = test::ReadZip(out)["ppt/slides/slide1.xml"];
    size_t kept = 0;
    for (size_t at = slide.find("<q:d"); at != std::string::npos; at = slide.find("<q:d", at + 1)) ++kept;
    EXPECT_EQ(kept, 200u); // the unknown extension travels whole
}

TEST(HostilePackage, InflatingSlidesAreRefusedBeforeTheyAreParsed) {
    // 1.2 million elements, a few kilobytes once deflated.
    std::string path = test::MakeDeck("inflating", "", Extension(Tiny(1'200'000)));
    EXPECT_NE(OpenError(path).find("too many XML elements"), std::string::npos);
}

TEST(HostilePackage, XmlOfAllPartsTogetherIsBounded) {
    // Each slide is under the part bound; together they are over the
    // package's, so the deck is refused rather than held in memory.
    std::string slide = test::ReadZip(test::MakeDeck("one-heavy", "", Extension(Tiny(900'000))))["ppt/slides/slide1.xml"];
    std::string rels = test::ReadZip(test::MakeDeck("rels", ""))["ppt/slides/_rels/slide1.xml.rels"];
    std::map<std::string, std::string> extra;
    for (int i = 2; i <= 6; ++i) {
        std::string n = std::to_string(i);
        extra["ppt/slides/slide" + n + ".xml"] = slide;
        extra["ppt/slides/_rels/slide" + n + ".xml.rels"] = rels;
    }
    std::string path = test::MakeDeck("heavy", "", "", extra);
    auto entries = test::ReadZip(path);
    std::string& pres = entries["ppt/presentation.xml"];
    std::string& presRels = entries["ppt/_rels/presentation.xml.rels"];
    std::string& ct = entries["[Content_Types].xml"];
    for (int i = 2; i <= 6; ++i) {
        std::string n = std::to_string(i);
        pres.insert(pres.find("</p:sldIdLst>"),
                    "<p:sldId id=\"" + std::to_string(300 + i) + "\" r:id=\"rIdS" + n + "\"/>");
        presRels.insert(presRels.find("</Relationships>"),
                        "<Relationship Id=\"rIdS" + n +
                            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide\" "
                            "Target=\"slides/slide" + n + ".xml\"/>");
        ct.insert(ct.find("</Types>"), "<Override PartName=\"/ppt/slides/slide" + n +
                                           ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument."
                                           "presentationml.slide+xml\"/>");
    }
    test::WriteZip(path, entries);
    EXPECT_NE(OpenError(path).find("too much XML"), std::string::npos);
}

namespace {

// A stored (uncompressed) zip written by hand, so that it can hold what
// zip libraries refuse to write: two entries of one name, a wrong checksum.
struct RawEntry {
    std::string name, data;
    bool badCrc = false;
};

unsigned long Crc32(const std::string& data) {
    unsigned long c = 0xffffffffUL;
    for (unsigned char b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320UL & (0UL - (c & 1)));
    }
    return c ^ 0xffffffffUL;
}

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>((v >> 8) & 0xff);
}
void Put32(std::string& s, unsigned long v) {
    Put16(s, static_cast<unsigned>(v & 0xffff));
    Put16(s, static_cast<unsigned>((v >> 16) & 0xffff));
}

std::string RawZip(const std::vector<RawEntry>& entries) {
    std::string out, central;
    for (const RawEntry& e : entries) {
        unsigned long crc = Crc32(e.data);
        if (e.badCrc) crc ^= 0x5a5a5a5a;
        unsigned long offset = out.size();
        auto common = [&](std::string& s) {
            Put16(s, 20);
            Put16(s, 0);
            Put16(s, 0); // stored
            Put16(s, 0);
            Put16(s, 0x21);
            Put32(s, crc);
            Put32(s, e.data.size());
            Put32(s, e.data.size());
            Put16(s, static_cast<unsigned>(e.name.size()));
            Put16(s, 0);
        };
        Put32(out, 0x04034b50);
        common(out);
        out += e.name + e.data;
        Put32(central, 0x02014b50);
        Put16(central, 20);
        common(central);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, offset);
        central += e.name;
    }
    unsigned long at = out.size();
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(entries.size()));
    Put16(out, static_cast<unsigned>(entries.size()));
    Put32(out, central.size());
    Put32(out, at);
    Put16(out, 0);
    return out;
}

std::vector<RawEntry> EntriesOf(const std::string& path) {
    std::vector<RawEntry> out;
    for (auto& [name, data] : test::ReadZip(path)) {
        if (name == "[Content_Types].xml") out.insert(out.begin(), RawEntry{name, data});
        else out.push_back(RawEntry{name, data});
    }
    return out;
}

} // namespace

TEST(HostilePackage, TwoContentTypeEntriesTheFirstIsReadAndWritten) {
    std::string base = test::MakeDeck("two-ct-base", test::Rect(2, "r", 0, 0, 100, 100));
    auto entries = EntriesOf(base);
    std::string full = entries.front().data;
    // A second copy that lost every override.
    std::string stripped = full.substr(0, full.find("<Override")) + "</Types>";
    entries.push_back(RawEntry{"[Content_Types].xml", stripped});
    std::string path = TempDir() + "/two-ct.pptx";
    test::WriteAll(path, RawZip(entries));

    auto pres = Open(path);
    pres->GetSlides()->Item(1)->GetShapes()->Item(1)->Delete();
    std::string out = TempDir() + "/two-ct-out.pptx";
    pres->SaveAs(out);
    test::ExpectClean(out);
    EXPECT_NE(test::ReadZip(out)["[Content_Types].xml"].find("<Override"), std::string::npos);
}

TEST(HostilePackage, AnEntryWithAWrongChecksumRefusesThePackage) {
    std::string base = test::MakeDeck("crc-base", test::Rect(2, "r", 0, 0, 100, 100));
    auto entries = EntriesOf(base);
    entries.push_back(RawEntry{"ppt/media/image9.png", std::string(5000, 'x'), true}); // never parsed, copied raw
    std::string path = TempDir() + "/bad-crc.pptx";
    test::WriteAll(path, RawZip(entries));
    EXPECT_NE(OpenError(path).find("damaged part"), std::string::npos);

    entries.back().badCrc = false;
    test::WriteAll(path, RawZip(entries));
    EXPECT_EQ(OpenError(path), "");
}

TEST(HostilePackage, AnOutputIsNeverWorseThanItsInput) {
    // A part whose content type is lost on the way would make the output
    // worse than what was read: the save is refused and nothing is written.
    std::string path = test::MakeDeck("worse", test::Rect(2, "r", 0, 0, 100, 100));
    auto pkg = pptx::Package::OpenFile(path);
    pkg->SetContentType("/ppt/slides/slide1.xml", "");
    std::string out = TempDir() + "/worse-out.pptx";
    EXPECT_THROW(pkg->SaveAs(out), office::AutomationError);
    EXPECT_FALSE(std::filesystem::exists(out));
}
