// File: platform/pptx/blank_template.cpp
// The built-in blank presentation behind Presentations.Add: one master, a
// blank layout and a theme, 16:9, no slides. Written by code so the layer
// needs no template file.
#include <string>

#include "platform/pptx/model.h"

namespace quillmax::pptx {

namespace {

const std::string kNs = ns::SlideDeclarations();
constexpr const char* kDecl = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";

std::string EmptyTree() {
    return R"(<p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>)"
           R"(<p:grpSpPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/><a:chOff x="0" y="0"/>)"
           R"(<a:chExt cx="0" cy="0"/></a:xfrm></p:grpSpPr></p:spTree>)";
}

std::string Theme() {
    std::string clr;
    const char* names[] = {"accent1", "accent2", "accent3", "accent4", "accent5", "accent6", "hlink", "folHlink"};
    const char* vals[] = {"4472C4", "ED7D31", "A5A5A5", "FFC000", "5B9BD5", "70AD47", "0563C1", "954F72"};
    for (int i = 0; i < 8; ++i)
        clr += std::string("<a:") + names[i] + "><a:srgbClr val=\"" + vals[i] + "\"/></a:" + names[i] + ">";
    std::string fill3 = R"(<a:solidFill><a:schemeClr val="phClr"/></a:solidFill>)";
    std::string ln = R"(<a:ln w="6350"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln>)";
    return std::string(kDecl) +
           "<a:theme xmlns:a=\"" + ns::kA + R"(" name="Office Theme"><a:themeElements>)"
           R"(<a:clrScheme name="Office"><a:dk1><a:sysClr val="windowText" lastClr="000000"/></a:dk1>)"
           R"(<a:lt1><a:sysClr val="window" lastClr="FFFFFF"/></a:lt1><a:dk2><a:srgbClr val="44546A"/></a:dk2>)"
           R"(<a:lt2><a:srgbClr val="E7E6E6"/></a:lt2>)" +
           clr +
           R"(</a:clrScheme><a:fontScheme name="Office"><a:majorFont><a:latin typeface="Calibri Light"/><a:ea typeface=""/>)"
           R"(<a:cs typeface=""/></a:majorFont><a:minorFont><a:latin typeface="Calibri"/><a:ea typeface=""/><a:cs typeface=""/>)"
           R"(</a:minorFont></a:fontScheme><a:fmtScheme name="Office"><a:fillStyleLst>)" +
           fill3 + fill3 + fill3 + "</a:fillStyleLst><a:lnStyleLst>" + ln + ln + ln +
           "</a:lnStyleLst><a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/>"
           "</a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle></a:effectStyleLst><a:bgFillStyleLst>" +
           fill3 + fill3 + fill3 + "</a:bgFillStyleLst></a:fmtScheme></a:themeElements></a:theme>";
}

} // namespace

std::string BlankSlideXml() {
    return std::string(kDecl) + "<p:sld" + kNs + "><p:cSld>" + EmptyTree() +
           "</p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>";
}

std::unique_ptr<Package> BuildBlankPackage() {
    auto pkg = Package::Empty();
    pkg->SetDefault("rels", ctype::kRelationships);
    pkg->SetDefault("xml", ctype::kXml);

    auto& pres = pkg->Add("/ppt/presentation.xml", "", ctype::Of("presentationml.presentation.main+xml"));
    auto& master = pkg->Add("/ppt/slideMasters/slideMaster1.xml", "", ctype::Of("presentationml.slideMaster+xml"));
    auto& layout = pkg->Add("/ppt/slideLayouts/slideLayout1.xml", "", ctype::Of("presentationml.slideLayout+xml"));
    pkg->Add("/ppt/theme/theme1.xml", Theme(), ctype::Of("theme+xml"));
    pkg->Add("/ppt/presProps.xml", std::string(kDecl) + "<p:presentationPr" + kNs + "/>",
             ctype::Of("presentationml.presProps+xml"));
    pkg->Add("/ppt/viewProps.xml",
             std::string(kDecl) + "<p:viewPr" + kNs +
                 R"(><p:normalViewPr><p:restoredLeft sz="15620"/><p:restoredTop sz="94660"/></p:normalViewPr><p:gridSpacing cx="72008" cy="72008"/></p:viewPr>)",
             ctype::Of("presentationml.viewProps+xml"));
    pkg->Add("/ppt/tableStyles.xml",
             std::string(kDecl) +
                 "<a:tblStyleLst xmlns:a=\"" + ns::kA + R"(" def="{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}"/>)",
             ctype::Of("presentationml.tableStyles+xml"));
    pkg->Add("/docProps/app.xml",
             std::string(kDecl) +
                 "<Properties xmlns=\"" + ns::kExtendedProperties +
                 R"("><Application>Quillmax</Application><Slides>0</Slides></Properties>)",
             ctype::Of("extended-properties+xml"));
    pkg->Add("/docProps/core.xml",
             std::string(kDecl) +
                 "<cp:coreProperties xmlns:cp=\"" + ns::kCoreProperties + "\" xmlns:dc=\"" + ns::kDublinCore +
                 "\"><dc:title></dc:title></cp:coreProperties>",
             ctype::kCoreProperties);

    pkg->PackageRels().Add(reltype::Of("officeDocument"), "ppt/presentation.xml", false);
    pkg->PackageRels().Add(reltype::kCoreProperties, "docProps/core.xml", false);
    pkg->PackageRels().Add(reltype::Of("extended-properties"), "docProps/app.xml", false);

    std::string masterRel = pres.Rels().Add(reltype::Of("slideMaster"), "slideMasters/slideMaster1.xml", false);
    pres.Rels().Add(reltype::Of("theme"), "theme/theme1.xml", false);
    pres.Rels().Add(reltype::Of("presProps"), "presProps.xml", false);
    pres.Rels().Add(reltype::Of("viewProps"), "viewProps.xml", false);
    pres.Rels().Add(reltype::Of("tableStyles"), "tableStyles.xml", false);
    pres.SetBytes(std::string(kDecl) + "<p:presentation" + kNs + R"( saveSubsetFonts="1"><p:sldMasterIdLst><p:sldMasterId id="2147483648" r:id=")" +
                  masterRel +
                  R"("/></p:sldMasterIdLst><p:sldSz cx="12192000" cy="6858000"/><p:notesSz cx="6858000" cy="9144000"/></p:presentation>)");

    std::string layoutRel = master.Rels().Add(reltype::Of("slideLayout"), "../slideLayouts/slideLayout1.xml", false);
    master.Rels().Add(reltype::Of("theme"), "../theme/theme1.xml", false);
    master.SetBytes(std::string(kDecl) + "<p:sldMaster" + kNs + "><p:cSld><p:bg><p:bgRef idx=\"1001\"><a:schemeClr val=\"bg1\"/></p:bgRef></p:bg>" +
                    EmptyTree() +
                    R"(</p:cSld><p:clrMap bg1="lt1" tx1="dk1" bg2="lt2" tx2="dk2" accent1="accent1" accent2="accent2" accent3="accent3" accent4="accent4" accent5="accent5" accent6="accent6" hlink="hlink" folHlink="folHlink"/><p:sldLayoutIdLst><p:sldLayoutId id="2147483649" r:id=")" +
                    layoutRel + R"("/></p:sldLayoutIdLst></p:sldMaster>)");

    layout.Rels().Add(reltype::Of("slideMaster"), "../slideMasters/slideMaster1.xml", false);
    layout.SetBytes(std::string(kDecl) + "<p:sldLayout" + kNs + R"( type="blank" preserve="1"><p:cSld name="Blank">)" +
                    EmptyTree() + "</p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>");
    return pkg;
}

} // namespace quillmax::pptx
