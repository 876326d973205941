// File: platform/pptx/shape_elements.cpp
// Reading shape elements as they stand in a slide's XML: the element inside
// alternate-content wrappers, its non-visual properties and transform, the
// kind of shape it is, the relationships it uses, and the placeholders a
// slide placeholder inherits from.
#include <cstring>

#include "platform/pptx/model.h"
#include "platform/pptx/package_names.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

// The layout's and the master's placeholder a slide placeholder inherits
// from, nearest first: by idx in the layout, else by type; the master by
// the type the layout's placeholder has.
std::vector<pugi::xml_node> PlaceholderChain(Part& slidePart, pugi::xml_node ph) {
    std::string type = ph.attribute("type").value();
    std::string idx = ph.attribute("idx").value();
    auto match = [](Part* part, const std::string& type, const std::string& idx, bool byIdx,
                    std::string* foundType) -> pugi::xml_node {
        if (!part) return {};
        auto tree = part->Xml().document_element().child("p:cSld").child("p:spTree");
        pugi::xml_node out;
        ForEachElement(tree, [&](pugi::xml_node n) {
            if (out || !Is(n, "p:ph")) return;
            std::string t = n.attribute("type").value();
            std::string i = n.attribute("idx").value();
            auto norm = [](const std::string& s) {
                if (s == "ctrTitle") return std::string("title");
                if (s == "subTitle" || s == "obj" || s.empty()) return std::string("body");
                return s;
            };
            bool ok = byIdx ? (!idx.empty() && i == idx) : (norm(t) == norm(type));
            if (!ok) return;
            if (foundType) *foundType = t;
            out = n.parent().parent().parent();
        });
        return out;
    };
    Part* layout = nullptr;
    for (auto& r : slidePart.Rels().items())
        if (r.type == reltype::Of("slideLayout")) layout = slidePart.Target(r.id);
    Part* master = nullptr;
    if (layout)
        for (auto& r : layout->Rels().items())
            if (r.type == reltype::Of("slideMaster")) master = layout->Target(r.id);
    std::string layoutType = type;
    std::vector<pugi::xml_node> chain;
    pugi::xml_node l;
    if (!idx.empty()) l = match(layout, type, idx, true, &layoutType);
    if (!l) l = match(layout, type, idx, false, &layoutType);
    if (l) chain.push_back(l);
    if (auto m = match(master, layoutType, "", false, nullptr)) chain.push_back(m);
    return chain;
}

pugi::xml_node PrimaryOf(pugi::xml_node n) {
    if (!Is(n, "mc:AlternateContent")) return n;
    for (auto c : n.children()) {
        if (Is(c, "mc:Choice") || Is(c, "mc:Fallback"))
            for (auto e : c.children())
                if (e.type() == pugi::node_element) return e;
    }
    return n;
}

std::vector<pugi::xml_node> VariantsOf(pugi::xml_node n) {
    if (!Is(n, "mc:AlternateContent")) return {n};
    std::vector<pugi::xml_node> out;
    for (auto c : n.children())
        for (auto e : c.children())
            if (e.type() == pugi::node_element && IsShapeElement(e)) out.push_back(e);
    if (out.empty()) out.push_back(n);
    return out;
}

pugi::xml_node CNvPrOf(pugi::xml_node el) {
    for (auto c : el.children())
        if (std::strncmp(c.name(), "p:nv", 4) == 0 || std::strncmp(c.name(), "p14:nv", 6) == 0) {
            for (auto g : c.children())
                if (std::strstr(g.name(), ":cNvPr")) return g;
        }
    return {};
}

pugi::xml_node XfrmOf(pugi::xml_node el, bool create) {
    if (Is(el, "p:graphicFrame"))
        return create ? ChildInOrder(el, "p:xfrm", {"p:nvGraphicFramePr", "p:xfrm", "a:graphic", "p:extLst"})
                      : el.child("p:xfrm");
    if (Is(el, "p:contentPart")) {
        if (auto x = el.child("p14:xfrm")) return x;
        return create ? ChildInOrder(el, "p:xfrm", {"p:nvContentPartPr", "p:xfrm", "p:extLst"}) : el.child("p:xfrm");
    }
    const char* prName = Is(el, "p:grpSp") ? "p:grpSpPr" : "p:spPr";
    auto pr = el.child(prName);
    if (!pr) {
        if (!create) return {};
        pr = ChildInOrder(el, prName,
                          {"p:nvSpPr", "p:nvPicPr", "p:nvCxnSpPr", "p:nvGrpSpPr", "p:blipFill", prName, "p:style",
                           "p:txBody", "p:sp", "p:grpSp", "p:graphicFrame", "p:cxnSp", "p:pic", "p:contentPart",
                           "mc:AlternateContent", "p:extLst"});
    }
    return create ? ChildInOrder(pr, "a:xfrm", QMX_ORDER_SPPR) : pr.child("a:xfrm");
}

Frame ReadFrame(pugi::xml_node x) {
    Frame f;
    f.x = (double)AttrInt(x.child("a:off"), "x");
    f.y = (double)AttrInt(x.child("a:off"), "y");
    f.cx = (double)AttrInt(x.child("a:ext"), "cx");
    f.cy = (double)AttrInt(x.child("a:ext"), "cy");
    f.rot = (double)AttrInt(x, "rot") / 60000.0;
    f.flipH = x.attribute("flipH").as_bool();
    f.flipV = x.attribute("flipV").as_bool();
    return f;
}

int ShapeTypeOf(pugi::xml_node el, bool placeholderAsContent) {
    auto nvPr = [&]() -> pugi::xml_node {
        for (auto c : el.children())
            if (std::strncmp(c.name(), "p:nv", 4) == 0) return c.child("p:nvPr");
        return {};
    }();
    if (Is(el, "p:grpSp")) return office::ppt::kShapeGroup;
    if (Is(el, "p:contentPart")) return office::ppt::kShapeContentApp;
    if (Is(el, "p:pic")) {
        if (nvPr.child("a:videoFile") || nvPr.child("a:audioFile") || nvPr.child("a:wavAudioFile") ||
            nvPr.child("a:quickTimeFile"))
            return office::ppt::kShapeMedia;
        if (nvPr.child("p:ph") && !placeholderAsContent) return office::ppt::kShapePlaceholder;
        auto blip = el.child("p:blipFill").child("a:blip");
        if (blip && !blip.attribute("r:embed") && blip.attribute("r:link")) return office::ppt::kShapeLinkedPicture;
        for (auto e : blip.child("a:extLst").children("a:ext"))
            if (std::strcmp(e.attribute("uri").value(), kSvgBlipUri) == 0) return office::ppt::kShapeGraphic;
        return office::ppt::kShapePicture;
    }
    if (nvPr.child("p:ph") && !placeholderAsContent) return office::ppt::kShapePlaceholder;
    if (Is(el, "p:graphicFrame")) {
        auto gd = el.child("a:graphic").child("a:graphicData");
        std::string uri = gd.attribute("uri").value();
        if (uri.find("/chart") != std::string::npos) return office::ppt::kShapeChart;
        if (uri.find("/table") != std::string::npos) return office::ppt::kShapeTable;
        if (uri.find("/diagram") != std::string::npos) return office::ppt::kShapeSmartArt;
        if (uri == kOleUri) {
            bool linked = false;
            ForEachElement(gd, [&](pugi::xml_node n) {
                if (Is(n, "p:link")) linked = true;
            });
            return linked ? office::ppt::kShapeLinkedOLE : office::ppt::kShapeEmbeddedOLE;
        }
        if (uri.find("/control") != std::string::npos) return office::ppt::kShapeOLEControl;
        return office::ppt::kShapeAuto;
    }
    auto geom = el.child("p:spPr");
    std::string prst = geom.child("a:prstGeom").attribute("prst").value();
    if (Is(el, "p:cxnSp")) return prst == "line" ? office::ppt::kShapeLine : office::ppt::kShapeAuto;
    if (Is(el, "p:sp")) {
        for (auto c : el.child("p:nvSpPr").children())
            if (Is(c, "p:cNvSpPr") && c.attribute("txBox").as_bool()) return office::ppt::kShapeTextBox;
        if (geom.child("a:custGeom")) return office::ppt::kShapeFreeform;
        if (prst == "line") return office::ppt::kShapeLine;
        return office::ppt::kShapeAuto;
    }
    return office::ppt::kShapeAuto;
}

std::vector<std::string> RelIdsIn(pugi::xml_node node) {
    std::vector<std::string> out;
    auto scan = [&](pugi::xml_node n) {
        for (auto a : n.attributes())
            if (std::strncmp(a.name(), "r:", 2) == 0 && *a.value()) out.push_back(a.value());
    };
    scan(node);
    ForEachElement(node, scan);
    return out;
}

} // namespace quillmax::pptx
