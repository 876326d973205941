// File: tests/platform/pptx/deck_fixture.h
// Decks built by the tests: the built-in blank presentation with one slide
// whose shape tree (and timing) the test writes, and raw zip helpers for
// damaged packages.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/pptx/package_check.h"
#include "platform/pptx/package_names.h"
#include "platform/pptx/zip_io.h"
#include "platform/pptx/pptx_automation.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace quillmax::test {

// One folder for the whole test program, removed when it ends.
inline std::string TempDir() {
    static TempFolder dir;
    return dir.path().string();
}

inline std::map<std::string, std::string> ReadZip(const std::string& path) {
    std::map<std::string, std::string> out;
    try {
        for (auto& e : pptx::ZipArchiveEntries(ReadAll(path))) out[e.name] = std::move(e.bytes);
    } catch (const office::AutomationError&) {
    }
    return out;
}

// One part of a public corpus deck; empty when the corpus is absent.
inline std::string CorpusMedia(const std::string& deck, const std::string& part) {
    const auto p = std::filesystem::path(QUILLMAX_SOURCE_DIR) / ".." / "shared" / "corpus" / deck;
    if (!std::filesystem::exists(p)) return {};
    auto entries = ReadZip(p.string());
    return entries[part];
}

inline void WriteZip(const std::string& path, const std::map<std::string, std::string>& entries) {
    std::vector<pptx::ZipEntry> list;
    for (auto& [name, data] : entries) list.push_back({name, data});
    WriteAll(path, pptx::ZipArchiveBytes(list));
}

// A deck with one slide whose spTree children are `shapes` and whose
// p:timing is `timing` (may be empty).
inline std::string MakeDeck(const std::string& name, const std::string& shapes, const std::string& timing = "",
                            const std::map<std::string, std::string>& extra = {}) {
    auto automation = pptx::CreateAutomation();
    auto app = automation->CreatePowerPoint();
    auto pres = app->GetPresentations()->Add(true);
    pres->GetSlides()->Add(1, 12);
    std::string base = TempDir() + "/base-" + name + ".pptx";
    pres->SaveAs(base);
    auto entries = ReadZip(base);
    std::string ns = pptx::ns::SlideDeclarations();
    entries["ppt/slides/slide1.xml"] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><p:sld" + ns +
        "><p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
        "<p:grpSpPr/>" +
        shapes + "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr>" + timing + "</p:sld>";
    auto& ct = entries["[Content_Types].xml"];
    ct.replace(ct.find("</Types>"), 8,
               "<Default Extension=\"png\" ContentType=\"image/png\"/><Default Extension=\"jpeg\" "
               "ContentType=\"image/jpeg\"/></Types>");
    for (auto& [k, v] : extra) entries[k] = v;
    std::string path = TempDir() + "/" + name + ".pptx";
    WriteZip(path, entries);
    return path;
}

inline std::string Rect(int id, const std::string& name, long x, long y, long cx, long cy,
                        const std::string& cNvPrInner = "") {
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name + "\">" + cNvPrInner +
           "</p:cNvPr><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"" + std::to_string(x) + "\" y=\"" +
           std::to_string(y) + "\"/><a:ext cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) +
           "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:sp>";
}

inline void ExpectClean(const std::string& path) {
    auto problems = pptx::CheckPackageFile(path);
    for (auto& p : problems) ADD_FAILURE() << p;
}

} // namespace quillmax::test
