// File: platform/pptx/media.cpp
// Timing of inserted media shapes. Without a media node a movie replaced by
// a re-encoded one would keep its play effects but have nothing to play.
#include "platform/pptx/media.h"

#include <string>

#include "platform/pptx/timeline_xml.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {
namespace {

// The root's child list, made (without a main sequence) when the slide has
// no timing yet.
pugi::xml_node RootChildList(pugi::xml_document& doc) {
    auto timing = timeline_xml::TimingNode(doc);
    if (!timing)
        timing = ChildInOrder(doc.document_element(), "p:timing", QMX_ORDER_SLD);
    auto tnLst = ChildInOrder(timing, "p:tnLst", QMX_ORDER_TIMING);
    auto par = tnLst.child("p:par");
    if (!par) par = tnLst.append_child("p:par");
    auto ctn = par.child("p:cTn");
    if (!ctn) {
        ctn = par.append_child("p:cTn");
        ctn.append_attribute("id") = timeline_xml::NextCTnId(doc);
        ctn.append_attribute("dur") = "indefinite";
        ctn.append_attribute("restart") = "never";
        ctn.append_attribute("nodeType") = "tmRoot";
    }
    auto list = ctn.child("p:childTnLst");
    return list ? list : ctn.append_child("p:childTnLst");
}

void Append(pugi::xml_document& doc, pugi::xml_node list, const std::string& xml) {
    pugi::xml_document fragment;
    if (!fragment.load_string(xml.c_str())) return;
    auto node = list.append_copy(fragment.document_element());
    timeline_xml::RenumberCTns(doc, node);
}

} // namespace

void AddMediaTiming(pugi::xml_document& slide, std::uint32_t shapeId, bool audio) {
    const std::string target = "<p:tgtEl><p:spTgt spid=\"" + std::to_string(shapeId) + "\"/></p:tgtEl>";
    const std::string kind = audio ? "p:audio" : "p:video";
    const std::string display = audio ? "" : " display=\"0\"";
    pugi::xml_node list = RootChildList(slide);
    Append(slide, list,
           "<" + kind + "><p:cMediaNode vol=\"80000\"><p:cTn id=\"0\" fill=\"hold\"" + display +
               "><p:stCondLst><p:cond delay=\"indefinite\"/></p:stCondLst></p:cTn>" + target +
               "</p:cMediaNode></" + kind + ">");
    const std::string onClick = "<p:cond evt=\"onClick\" delay=\"0\">" + target + "</p:cond>";
    Append(slide, list,
           "<p:seq concurrent=\"1\" nextAc=\"seek\"><p:cTn id=\"0\" restart=\"whenNotActive\" fill=\"hold\" "
           "evtFilter=\"cancelBubble\" nodeType=\"interactiveSeq\"><p:stCondLst>" + onClick +
               "</p:stCondLst><p:endSync evt=\"end\" delay=\"0\"><p:rtn val=\"all\"/></p:endSync><p:childTnLst>"
               "<p:par><p:cTn id=\"0\" fill=\"hold\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst><p:childTnLst>"
               "<p:par><p:cTn id=\"0\" fill=\"hold\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst><p:childTnLst>"
               "<p:par><p:cTn id=\"0\" presetID=\"2\" presetClass=\"mediacall\" presetSubtype=\"0\" fill=\"hold\" "
               "nodeType=\"clickEffect\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst><p:childTnLst>"
               "<p:cmd type=\"call\" cmd=\"togglePause\"><p:cBhvr><p:cTn id=\"0\" dur=\"1\" fill=\"hold\"/>" +
               target +
               "</p:cBhvr></p:cmd></p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn></p:par>"
               "</p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn><p:nextCondLst>" + onClick +
               "</p:nextCondLst></p:seq>");
}

} // namespace quillmax::pptx
