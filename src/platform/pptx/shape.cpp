// File: platform/pptx/shape.cpp
// Slides' shape trees: shape handles, geometry (placeholders inherit from
// layout and master, group members map through their groups), stacking,
// selection, deletion with its clean-up, grouping, connectors, OLE and link
// formats, and the Shapes collection.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <set>

#include "platform/pptx/media.h"
#include "platform/pptx/model.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

namespace {

const unsigned char kPoster[] = {0x89,0x50,0x4e,0x47,0x0d,0x0a,0x1a,0x0a,0x00,0x00,0x00,0x0d,0x49,0x48,0x44,0x52,0x00,0x00,0x00,0x10,0x00,0x00,0x00,0x09,0x08,0x02,0x00,0x00,0x00,0xb4,0x48,0x3b,0x65,0x00,0x00,0x00,0x11,0x49,0x44,0x41,0x54,0x78,0xda,0x63,0x70,0x20,0x11,0x30,0x8c,0x6a,0x18,0x14,0x1a,0x00,0x0d,0x2c,0x6c,0x01,0xf0,0x06,0xdf,0x48,0x00,0x00,0x00,0x00,0x49,0x45,0x4e,0x44,0xae,0x42,0x60,0x82};

constexpr const char* kOleUri = "http://schemas.openxmlformats.org/presentationml/2006/ole";

bool Is(pugi::xml_node n, const char* name) { return n && std::strcmp(n.name(), name) == 0; }

std::string FileUrlToPath(const std::string& target) {
    std::string t = target;
    if (t.rfind("file:///", 0) == 0) {
        t = t.substr(8);
        if (!(t.size() > 1 && t[1] == ':')) t = "/" + t; // a POSIX path
    } else if (t.rfind("file://", 0) == 0) {
        t = "//" + t.substr(7);
    }
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '%' && i + 2 < t.size() && isxdigit((unsigned char)t[i + 1]) && isxdigit((unsigned char)t[i + 2])) {
            out.push_back(static_cast<char>(std::stoi(t.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(t[i]);
        }
    }
    return out;
}

} // namespace

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

namespace {

// Placeholder geometry from the layout, then the master.
std::optional<Frame> InheritedFrame(Part& slidePart, pugi::xml_node ph) {
    for (auto shape : PlaceholderChain(slidePart, ph)) {
        auto x = XfrmOf(shape, false);
        if (x && x.child("a:off") && x.child("a:ext")) return ReadFrame(x);
    }
    return std::nullopt;
}

struct GroupMap {
    double ox, oy, sx, sy, cx0, cy0;
};
GroupMap GroupMapOf(pugi::xml_node grpSp) {
    auto x = XfrmOf(grpSp, false);
    GroupMap g{0, 0, 1, 1, 0, 0};
    if (!x) return g;
    g.ox = (double)AttrInt(x.child("a:off"), "x");
    g.oy = (double)AttrInt(x.child("a:off"), "y");
    double ex = (double)AttrInt(x.child("a:ext"), "cx"), ey = (double)AttrInt(x.child("a:ext"), "cy");
    double cex = (double)AttrInt(x.child("a:chExt"), "cx"), cey = (double)AttrInt(x.child("a:chExt"), "cy");
    g.cx0 = (double)AttrInt(x.child("a:chOff"), "x");
    g.cy0 = (double)AttrInt(x.child("a:chOff"), "y");
    g.sx = cex != 0 ? ex / cex : 1;
    g.sy = cey != 0 ? ey / cey : 1;
    return g;
}

// The groups (innermost first) a tree node sits in.
std::vector<pugi::xml_node> GroupsAbove(pugi::xml_node n) {
    std::vector<pugi::xml_node> out;
    for (auto p = n.parent(); p && !Is(p, "p:spTree"); p = p.parent())
        if (Is(p, "p:grpSp")) out.push_back(p);
    return out;
}

void WriteFrame(pugi::xml_node el, const Frame& f) {
    auto x = XfrmOf(el, true);
    auto off = ChildInOrder(x, "a:off", QMX_ORDER_XFRM);
    auto ext = ChildInOrder(x, "a:ext", QMX_ORDER_XFRM);
    auto set = [](pugi::xml_node n, const char* a, double v) {
        auto at = n.attribute(a);
        if (!at) at = n.append_attribute(a);
        at.set_value(static_cast<long long>(std::llround(v)));
    };
    set(off, "x", f.x);
    set(off, "y", f.y);
    set(ext, "cx", std::max(0.0, f.cx));
    set(ext, "cy", std::max(0.0, f.cy));
    long long rot = std::llround(std::fmod(std::fmod(f.rot, 360.0) + 360.0, 360.0) * 60000.0) % 21600000;
    if (rot != 0) {
        if (!x.attribute("rot")) x.append_attribute("rot");
        x.attribute("rot").set_value(rot);
    } else {
        x.remove_attribute("rot");
    }
    auto flag = [&](const char* a, bool v) {
        if (v) {
            if (!x.attribute(a)) x.append_attribute(a);
            x.attribute(a).set_value("1");
        } else {
            x.remove_attribute(a);
        }
    };
    flag("flipH", f.flipH);
    flag("flipV", f.flipV);
}

pugi::xml_node AppendFragment(SlideImpl& slide, const std::string& xml) {
    pugi::xml_document frag;
    std::string wrapped =
        "<w xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
        "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\">" +
        xml + "</w>";
    if (!frag.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default | pugi::parse_ws_pcdata_single))
        Fail("Shapes.Add", "internal XML error");
    return slide.AppendToTree(frag.document_element().first_child());
}

} // namespace

// ---- element helpers ----------------------------------------------------------

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

// ---- slide --------------------------------------------------------------------

SlideImpl::SlideImpl(std::weak_ptr<PresentationImpl> pres, Part* part, std::uint32_t sldId)
    : pres_(std::move(pres)), part_(part), sldId_(sldId) {}

std::shared_ptr<PresentationImpl> SlideImpl::Pres(const char* member) {
    auto p = pres_.lock();
    if (!p || p->closed) Fail(member, "presentation closed");
    if (deleted) Fail(member, "the slide was deleted");
    return p;
}

pugi::xml_document& SlideImpl::Document() { return part_->Xml(); }

void SlideImpl::MarkDirty() {
    part_->MarkDirty();
    if (auto p = pres_.lock()) p->Touch();
}

pugi::xml_node SlideImpl::Tree() {
    auto t = Document().document_element().child("p:cSld").child("p:spTree");
    if (!t) Fail("Slide.Shapes", "the slide has no shape tree");
    return t;
}

std::vector<pugi::xml_node> SlideImpl::TopLevel() {
    std::vector<pugi::xml_node> out;
    for (auto c : Tree().children())
        if (IsShapeElement(c)) out.push_back(c);
    return out;
}

std::shared_ptr<ShapeImpl> SlideImpl::Handle(pugi::xml_node n) {
    auto& h = handles_[n.internal_object()];
    if (!h || !h->alive())
        h = std::make_shared<ShapeImpl>(std::static_pointer_cast<SlideImpl>(shared_from_this()), n);
    return h;
}

void SlideImpl::Forget(pugi::xml_node n) {
    // every handle at or below n
    for (auto it = handles_.begin(); it != handles_.end();) {
        bool inside = false;
        for (auto p = it->second->raw(); p; p = p.parent())
            if (p == n) inside = true;
        if (inside) {
            it->second->Invalidate();
            it = handles_.erase(it);
        } else {
            ++it;
        }
    }
}

std::optional<std::uint32_t> SlideImpl::ShapeId(const office::Shape& shape) {
    auto* s = dynamic_cast<const ShapeImpl*>(&shape);
    if (!s || !s->alive()) return std::nullopt;
    auto it = handles_.find(s->raw().internal_object());
    if (it == handles_.end() || it->second.get() != s) return std::nullopt;
    auto c = CNvPrOf(PrimaryOf(s->raw()));
    if (!c) return std::nullopt;
    return static_cast<std::uint32_t>(AttrInt(c, "id"));
}

std::shared_ptr<office::Shape> SlideImpl::ShapeById(std::uint32_t id) {
    std::function<pugi::xml_node(pugi::xml_node)> find = [&](pugi::xml_node parent) -> pugi::xml_node {
        for (auto c : parent.children()) {
            if (!IsShapeElement(c)) continue;
            auto prim = PrimaryOf(c);
            if (auto cn = CNvPrOf(prim); cn && static_cast<std::uint32_t>(AttrInt(cn, "id")) == id) return c;
            if (Is(prim, "p:grpSp"))
                if (auto r = find(prim)) return r;
        }
        return {};
    };
    auto n = find(Tree());
    return n ? Handle(n) : nullptr;
}

std::int64_t SlideImpl::SlideWidthEmu() { return Pres("Slide")->slideCx; }
std::int64_t SlideImpl::SlideHeightEmu() { return Pres("Slide")->slideCy; }
int SlideImpl::SlideIndex() { return Pres("Slide")->IndexOf(this); }

std::uint32_t SlideImpl::NextId() {
    std::int64_t maxId = 1;
    ForEachElement(Document().document_element(), [&](pugi::xml_node n) {
        if (std::strstr(n.name(), ":cNvPr")) maxId = std::max(maxId, AttrInt(n, "id"));
    });
    return static_cast<std::uint32_t>(maxId + 1);
}

pugi::xml_node SlideImpl::AppendToTree(pugi::xml_node fragmentRoot) {
    auto tree = Tree();
    auto ext = tree.child("p:extLst");
    auto n = ext ? tree.insert_copy_before(fragmentRoot, ext) : tree.append_copy(fragmentRoot);
    MarkDirty();
    return n;
}

void SlideImpl::ReleaseReferences(const std::vector<std::uint32_t>& idList) {
    std::set<std::string> ids;
    for (auto i : idList) ids.insert(std::to_string(i));
    // The timing has one home for this: the main sequence is regrouped there,
    // so effects that ran with a deleted click effect join the previous group.
    bool changed = false;
    for (auto i : idList)
        if (RemoveShapeAnimations(*this, i)) changed = true;
    ForEachElement(Tree(), [&](pugi::xml_node n) {
        if (!Is(n, "p:cNvCxnSpPr")) return;
        for (const char* end : {"a:stCxn", "a:endCxn"})
            if (auto c = n.child(end); c && ids.count(c.attribute("id").value())) {
                n.remove_child(c);
                changed = true;
            }
    });
    if (changed) MarkDirty();
}

void SlideImpl::DropUnusedRels(const std::vector<std::string>& relIds) {
    auto root = Document().document_element();
    auto used = RelIdsIn(root);
    std::set<std::string> inUse(used.begin(), used.end());
    for (auto& id : relIds)
        if (!inUse.count(id)) part_->Rels().Remove(id);
    bool spids = false;
    ForEachElement(root, [&](pugi::xml_node n) {
        if ((Is(n, "p:oleObj") || Is(n, "p:control")) && *n.attribute("spid").value()) spids = true;
    });
    if (!spids) {
        std::vector<std::string> vml;
        for (auto& r : part_->Rels().items())
            if (r.type == reltype::Of("vmlDrawing") && !inUse.count(r.id)) vml.push_back(r.id);
        for (auto& id : vml) part_->Rels().Remove(id);
    }
}

void SlideImpl::Select() {
    Pres("Slide.Select")->selection.clear();
}

std::shared_ptr<office::TimeLine> SlideImpl::GetTimeLine() {
    Pres("Slide.TimeLine");
    return MakeTimeLine(*this);
}

void SlideImpl::Delete() {
    auto p = Pres("Slide.Delete");
    for (auto& [k, h] : handles_) h->Invalidate();
    handles_.clear();
    p->RemoveSlide(this);
    deleted = true;
}

// ---- shapes collection ------------------------------------------------------------

namespace {

class ShapesImpl : public office::Shapes {
public:
    explicit ShapesImpl(std::weak_ptr<SlideImpl> s) : slide_(std::move(s)) {}
    std::shared_ptr<SlideImpl> S(const char* m) {
        auto s = slide_.lock();
        if (!s) Fail(m, "the slide is gone");
        s->Pres(m);
        return s;
    }
    int Count() override { return static_cast<int>(S("Shapes.Count")->TopLevel().size()); }
    std::shared_ptr<office::Shape> Item(int index) override {
        auto s = S("Shapes.Item");
        auto all = s->TopLevel();
        if (index < 1 || index > static_cast<int>(all.size())) Fail("Shapes.Item", "index out of range");
        return s->Handle(all[index - 1]);
    }
    std::shared_ptr<office::ShapeRange> Range() override {
        auto s = S("Shapes.Range");
        std::vector<std::shared_ptr<ShapeImpl>> v;
        for (auto n : s->TopLevel()) v.push_back(s->Handle(n));
        return std::make_shared<ShapeRangeImpl>(std::move(v));
    }
    std::shared_ptr<office::Shape> AddShape(int type, double l, double t, double w, double h) override {
        auto s = S("Shapes.AddShape");
        const char* prst = type == office::ppt::kAddRectangle ? "rect" : type == office::ppt::kAddOval ? "ellipse" : nullptr;
        if (!prst) Fail("Shapes.AddShape", "unsupported shape type " + std::to_string(type));
        std::uint32_t id = s->NextId();
        std::string name = std::string(type == office::ppt::kAddRectangle ? "Rectangle " : "Oval ") + std::to_string(id - 1);
        std::string xml = "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
                          "\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"" +
                          std::to_string(PtToEmu(l)) + "\" y=\"" + std::to_string(PtToEmu(t)) + "\"/><a:ext cx=\"" +
                          std::to_string(std::max<std::int64_t>(0, PtToEmu(w))) + "\" cy=\"" +
                          std::to_string(std::max<std::int64_t>(0, PtToEmu(h))) + "\"/></a:xfrm><a:prstGeom prst=\"" + prst +
                          "\"><a:avLst/></a:prstGeom></p:spPr><p:style><a:lnRef idx=\"2\"><a:schemeClr val=\"accent1\">"
                          "<a:shade val=\"50000\"/></a:schemeClr></a:lnRef><a:fillRef idx=\"1\"><a:schemeClr val=\"accent1\"/>"
                          "</a:fillRef><a:effectRef idx=\"0\"><a:schemeClr val=\"accent1\"/></a:effectRef><a:fontRef idx=\"minor\">"
                          "<a:schemeClr val=\"lt1\"/></a:fontRef></p:style><p:txBody><a:bodyPr rtlCol=\"0\" anchor=\"ctr\"/>"
                          "<a:lstStyle/><a:p><a:pPr algn=\"ctr\"/><a:endParaRPr lang=\"en-US\"/></a:p></p:txBody></p:sp>";
        return s->Handle(AppendFragment(*s, xml));
    }
    std::shared_ptr<office::Shape> AddMediaObject(const std::string& path, double l, double t, double w,
                                                  double h) override {
        auto s = S("Shapes.AddMediaObject");
        std::ifstream in(path, std::ios::binary);
        if (!in) Fail("Shapes.AddMediaObject", "cannot read " + path);
        in.seekg(0, std::ios::end);
        auto size = static_cast<std::uint64_t>(in.tellg());
        if (size > kMaxPartBytes) Fail("Shapes.AddMediaObject", "file too large: " + path);
        in.seekg(0);
        std::string bytes(size, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(size));
        if (!in) Fail("Shapes.AddMediaObject", "cannot read " + path);
        std::string ext = ExtensionOf(path);
        if (ext.empty()) ext = "bin";
        bool audio = ext == "mp3" || ext == "wav" || ext == "m4a" || ext == "wma" || ext == "aac";
        std::string ctype = MediaContentType(ext);
        if (ctype.empty()) ctype = std::string(audio ? "audio/" : "video/") + ext;
        auto p = s->Pres("Shapes.AddMediaObject");
        Package& pkg = p->package();
        std::string mediaName = pkg.FreeName("/ppt/media/media", ext);
        pkg.Add(mediaName, std::move(bytes), ctype);
        std::string posterName = pkg.FreeName("/ppt/media/image", "png");
        pkg.Add(posterName, std::string(reinterpret_cast<const char*>(kPoster), sizeof kPoster), "image/png");
        Part& sp = s->part();
        std::string rel = sp.RelativeTo(mediaName);
        std::string rMedia = sp.Rels().Add(reltype::kMedia, rel, false);
        std::string rLink = sp.Rels().Add(reltype::Of(audio ? "audio" : "video"), rel, false);
        std::string rPoster = sp.Rels().Add(reltype::Of("image"), sp.RelativeTo(posterName), false);
        if (w <= 0) w = 480;
        if (h <= 0) h = 270;
        std::uint32_t id = s->NextId();
        std::string file = path.substr(path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1);
        pugi::xml_document tmp;
        auto pic = tmp.append_child("p:pic");
        auto nv = pic.append_child("p:nvPicPr");
        auto c = nv.append_child("p:cNvPr");
        c.append_attribute("id") = id;
        c.append_attribute("name") = file.c_str();
        auto hl = c.append_child("a:hlinkClick");
        hl.append_attribute("r:id") = "";
        hl.append_attribute("action") = "ppaction://media";
        nv.append_child("p:cNvPicPr").append_child("a:picLocks").append_attribute("noChangeAspect") = "1";
        auto nvPr = nv.append_child("p:nvPr");
        nvPr.append_child(audio ? "a:audioFile" : "a:videoFile").append_attribute("r:link") = rLink.c_str();
        auto ext14 = nvPr.append_child("p:extLst").append_child("p:ext");
        ext14.append_attribute("uri") = "{DAA4B4D4-6D71-4841-9C94-3DE7FCFB9230}";
        auto media = ext14.append_child("p14:media");
        media.append_attribute("xmlns:p14") = "http://schemas.microsoft.com/office/powerpoint/2010/main";
        media.append_attribute("r:embed") = rMedia.c_str();
        auto bf = pic.append_child("p:blipFill");
        bf.append_child("a:blip").append_attribute("r:embed") = rPoster.c_str();
        bf.append_child("a:stretch").append_child("a:fillRect");
        auto spPr = pic.append_child("p:spPr");
        spPr.append_child("a:prstGeom").append_attribute("prst") = "rect";
        spPr.child("a:prstGeom").append_child("a:avLst");
        WriteFrame(pic, Frame{(double)PtToEmu(l), (double)PtToEmu(t), (double)PtToEmu(w), (double)PtToEmu(h)});
        auto node = s->AppendToTree(pic);
        AddMediaTiming(s->Document(), id, audio);
        s->MarkDirty();
        return s->Handle(node);
    }
    std::shared_ptr<office::ShapeRange> Paste() override { return PasteInto(*S("Shapes.Paste")); }
    std::shared_ptr<office::ShapeRange> PasteSpecial(int dataType) override {
        return PasteSpecialInto(*S("Shapes.PasteSpecial"), dataType);
    }

private:
    std::weak_ptr<SlideImpl> slide_;
};

class OLEFormatImpl : public office::OLEFormat {
public:
    explicit OLEFormatImpl(std::shared_ptr<ShapeImpl> s) : s_(std::move(s)) {}
    std::string ProgID() override {
        auto el = s_->Primary("OLEFormat.ProgID");
        std::string prog;
        bool found = false;
        ForEachElement(el, [&](pugi::xml_node n) {
            if (!found && Is(n, "p:oleObj")) {
                prog = n.attribute("progId").value();
                found = true;
            }
        });
        if (!found) Fail("OLEFormat.ProgID", "not an OLE object");
        return prog;
    }

private:
    std::shared_ptr<ShapeImpl> s_;
};

class LinkFormatImpl : public office::LinkFormat {
public:
    explicit LinkFormatImpl(std::shared_ptr<ShapeImpl> s) : s_(std::move(s)) {}
    std::string SourceFullName() override {
        const char* m = "LinkFormat.SourceFullName";
        auto el = s_->Primary(m);
        auto slide = s_->Slide(m);
        Part& part = slide->part();
        auto target = [&](const std::string& rid, bool& external) -> std::string {
            auto* r = part.Rels().Find(rid);
            if (!r) return "";
            external = r->external;
            return r->external ? FileUrlToPath(r->target) : part.Resolve(r->target);
        };
        bool external = false;
        // OLE link
        pugi::xml_node ole;
        ForEachElement(el, [&](pugi::xml_node n) {
            if (!ole && Is(n, "p:oleObj")) ole = n;
        });
        if (ole) {
            std::string t = target(ole.attribute("r:id").value(), external);
            if (ole.child("p:link") && external) return t;
            Fail(m, "the object is not linked");
        }
        // media
        pugi::xml_node nvPr = el.child("p:nvPicPr").child("p:nvPr");
        for (const char* tag : {"a:videoFile", "a:audioFile", "a:quickTimeFile", "a:wavAudioFile"}) {
            if (auto v = nvPr.child(tag)) {
                std::string t = target(v.attribute("r:link").value(), external);
                if (external) return t;
                // Embedded only: no source path is recorded in the package; the
                // media part's file name lets a search beside the deck find it.
                if (!t.empty()) return t.substr(t.rfind('/') + 1);
                Fail(m, "media without a target");
            }
        }
        auto blip = el.child("p:blipFill").child("a:blip");
        if (auto link = blip.attribute("r:link")) {
            std::string t = target(link.value(), external);
            if (external) return t;
        }
        Fail(m, "the shape is not linked");
    }

private:
    std::shared_ptr<ShapeImpl> s_;
};

class ConnectorFormatImpl : public office::ConnectorFormat {
public:
    explicit ConnectorFormatImpl(std::shared_ptr<ShapeImpl> s) : s_(std::move(s)) {}
    pugi::xml_node Props(const char* m) {
        auto el = s_->Primary(m);
        if (!Is(el, "p:cxnSp")) Fail(m, "not a connector");
        auto nv = el.child("p:nvCxnSpPr");
        auto c = nv.child("p:cNvCxnSpPr");
        if (!c) c = ChildInOrder(nv, "p:cNvCxnSpPr", {"p:cNvPr", "p:cNvCxnSpPr", "p:nvPr"});
        return c;
    }
    bool Connected(const char* end, const char* m) { return static_cast<bool>(Props(m).child(end)); }
    std::shared_ptr<office::Shape> ConnectedShape(const char* end, const char* m) {
        auto c = Props(m).child(end);
        if (!c) Fail(m, "the end is not connected");
        auto shape = s_->Slide(m)->ShapeById(static_cast<std::uint32_t>(AttrInt(c, "id")));
        if (!shape) Fail(m, "the connected shape does not exist");
        return shape;
    }
    int Site(const char* end, const char* m) {
        auto c = Props(m).child(end);
        if (!c) Fail(m, "the end is not connected");
        return static_cast<int>(AttrInt(c, "idx")) + 1;
    }
    void Disconnect(const char* end, const char* m) {
        auto p = Props(m);
        if (auto c = p.child(end)) {
            p.remove_child(c);
            s_->Slide(m)->MarkDirty();
        }
    }
    void Connect(const char* end, const std::shared_ptr<office::Shape>& shape, int site, const char* m) {
        auto p = Props(m);
        auto slide = s_->Slide(m);
        if (!shape) Fail(m, "no shape");
        auto id = slide->ShapeId(*shape);
        if (!id) Fail(m, "the shape is not on this slide");
        if (site < 1) Fail(m, "invalid connection site");
        auto c = ChildInOrder(p, end, QMX_ORDER_CXN);
        c.remove_attribute("id");
        c.remove_attribute("idx");
        c.append_attribute("id") = *id;
        c.append_attribute("idx") = site - 1;
        slide->MarkDirty();
    }
    bool BeginConnected() override { return Connected("a:stCxn", "ConnectorFormat.BeginConnected"); }
    std::shared_ptr<office::Shape> BeginConnectedShape() override {
        return ConnectedShape("a:stCxn", "ConnectorFormat.BeginConnectedShape");
    }
    int BeginConnectionSite() override { return Site("a:stCxn", "ConnectorFormat.BeginConnectionSite"); }
    void BeginDisconnect() override { Disconnect("a:stCxn", "ConnectorFormat.BeginDisconnect"); }
    void BeginConnect(const std::shared_ptr<office::Shape>& s, int site) override {
        Connect("a:stCxn", s, site, "ConnectorFormat.BeginConnect");
    }
    bool EndConnected() override { return Connected("a:endCxn", "ConnectorFormat.EndConnected"); }
    std::shared_ptr<office::Shape> EndConnectedShape() override {
        return ConnectedShape("a:endCxn", "ConnectorFormat.EndConnectedShape");
    }
    int EndConnectionSite() override { return Site("a:endCxn", "ConnectorFormat.EndConnectionSite"); }
    void EndDisconnect() override { Disconnect("a:endCxn", "ConnectorFormat.EndDisconnect"); }
    void EndConnect(const std::shared_ptr<office::Shape>& s, int site) override {
        Connect("a:endCxn", s, site, "ConnectorFormat.EndConnect");
    }

private:
    std::shared_ptr<ShapeImpl> s_;
};

} // namespace

std::shared_ptr<office::Shapes> SlideImpl::GetShapes() {
    Pres("Slide.Shapes");
    return std::make_shared<ShapesImpl>(std::static_pointer_cast<SlideImpl>(shared_from_this()));
}

// ---- shape ----------------------------------------------------------------------

std::shared_ptr<SlideImpl> ShapeImpl::Slide(const char* member) {
    auto s = slide_.lock();
    if (!s) Fail(member, "the slide is gone");
    s->Pres(member);
    return s;
}

pugi::xml_node ShapeImpl::Node(const char* member) {
    Slide(member);
    if (!node_) Fail(member, "the shape was deleted");
    return node_;
}

pugi::xml_node ShapeImpl::Primary(const char* member) { return PrimaryOf(Node(member)); }

std::uint32_t ShapeImpl::Id(const char* member) {
    auto c = CNvPrOf(Primary(member));
    return static_cast<std::uint32_t>(AttrInt(c, "id"));
}

std::string ShapeImpl::Name() { return CNvPrOf(Primary("Shape.Name")).attribute("name").value(); }

void ShapeImpl::SetName(const std::string& name) {
    for (auto v : VariantsOf(Node("Shape.Name"))) {
        auto c = CNvPrOf(v);
        if (!c) continue;
        if (!c.attribute("name")) c.append_attribute("name");
        c.attribute("name").set_value(name.c_str());
    }
    Slide("Shape.Name")->MarkDirty();
}

void ShapeImpl::SetCNvPrAttr(const char* attr, const std::string& value, const char* member) {
    for (auto v : VariantsOf(Node(member))) {
        auto c = CNvPrOf(v);
        if (!c) continue;
        if (value.empty()) {
            c.remove_attribute(attr);
            continue;
        }
        if (!c.attribute(attr)) c.append_attribute(attr);
        c.attribute(attr).set_value(value.c_str());
    }
    Slide(member)->MarkDirty();
}

int ShapeImpl::Visible() {
    return CNvPrOf(Primary("Shape.Visible")).attribute("hidden").as_bool() ? 0 : -1;
}

void ShapeImpl::SetVisible(int v) {
    // Absent means shown, as the program writes it.
    SetCNvPrAttr("hidden", v == 0 ? "1" : "", "Shape.Visible");
}

std::string ShapeImpl::AlternativeText() {
    return CNvPrOf(Primary("Shape.AlternativeText")).attribute("descr").value();
}

void ShapeImpl::SetAlternativeText(const std::string& v) { SetCNvPrAttr("descr", v, "Shape.AlternativeText"); }

std::string ShapeImpl::Title() { return CNvPrOf(Primary("Shape.Title")).attribute("title").value(); }

void ShapeImpl::SetTitle(const std::string& v) { SetCNvPrAttr("title", v, "Shape.Title"); }

int ShapeImpl::Type() { return ShapeTypeOf(Primary("Shape.Type")); }

int ShapeImpl::PlaceholderContainedType() {
    const char* m = "PlaceholderFormat.ContainedType";
    auto el = Primary(m);
    if (ShapeTypeOf(el) != office::ppt::kShapePlaceholder) Fail(m, "the shape is no placeholder");
    return ShapeTypeOf(el, true);
}

namespace {
// The frame of a shape element in its parent's coordinates.
Frame LocalFrame(SlideImpl& slide, pugi::xml_node el) {
    auto x = XfrmOf(el, false);
    if (x && x.child("a:off") && x.child("a:ext")) return ReadFrame(x);
    pugi::xml_node ph;
    for (auto c : el.children())
        if (std::strncmp(c.name(), "p:nv", 4) == 0) ph = c.child("p:nvPr").child("p:ph");
    Frame f;
    if (ph)
        if (auto inh = InheritedFrame(slide.part(), ph)) f = *inh;
    if (x) {
        f.rot = (double)AttrInt(x, "rot") / 60000.0;
        f.flipH = x.attribute("flipH").as_bool();
        f.flipV = x.attribute("flipV").as_bool();
    }
    return f;
}
} // namespace

// The box a rotated member takes in its group's frame, as the presentation
// program counts it: turned by a quarter (45 to 135 degrees, 225 to 315)
// its width and height change places about its centre, otherwise it stays.
static Frame BoundsFrame(Frame f) {
    double r = std::fmod(f.rot, 180.0);
    if (r < 0) r += 180.0;
    if (r >= 45.0 && r < 135.0) {
        const double cx = f.x + f.cx / 2, cy = f.y + f.cy / 2;
        std::swap(f.cx, f.cy);
        f.x = cx - f.cx / 2;
        f.y = cy - f.cy / 2;
    }
    return f;
}

double ShapeImpl::Geometry(int which, const char* member) {
    auto node = Node(member);
    auto slide = Slide(member);
    Frame f = LocalFrame(*slide, PrimaryOf(node));
    for (auto g : GroupsAbove(node)) {
        auto m = GroupMapOf(g);
        f.x = m.ox + (f.x - m.cx0) * m.sx;
        f.y = m.oy + (f.y - m.cy0) * m.sy;
        f.cx *= m.sx;
        f.cy *= m.sy;
    }
    double v = which == 0 ? f.x : which == 1 ? f.y : which == 2 ? f.cx : f.cy;
    return EmuToPt(static_cast<std::int64_t>(std::llround(v)));
}

void ShapeImpl::SetGeometry(int which, double v, const char* member) {
    auto node = Node(member);
    auto slide = Slide(member);
    double emu = v * kEmuPerPoint;
    auto groups = GroupsAbove(node);
    // to the parent's coordinates
    for (auto g : groups) {
        auto m = GroupMapOf(g);
        if (which == 0) emu = (emu - m.ox) / m.sx + m.cx0;
        if (which == 1) emu = (emu - m.oy) / m.sy + m.cy0;
        if (which == 2) emu /= m.sx;
        if (which == 3) emu /= m.sy;
    }
    if (groups.size() > 1 && (which == 0 || which == 1)) {
        // nested: invert outermost first
        emu = v * kEmuPerPoint;
        for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
            auto m = GroupMapOf(*it);
            emu = which == 0 ? (emu - m.ox) / m.sx + m.cx0 : (emu - m.oy) / m.sy + m.cy0;
        }
    }
    for (auto el : VariantsOf(node)) {
        Frame f = LocalFrame(*slide, el);
        (which == 0 ? f.x : which == 1 ? f.y : which == 2 ? f.cx : f.cy) = emu;
        WriteFrame(el, f);
    }
    slide->MarkDirty();
}

double ShapeImpl::Left() { return Geometry(0, "Shape.Left"); }
double ShapeImpl::Top() { return Geometry(1, "Shape.Top"); }
double ShapeImpl::Width() { return Geometry(2, "Shape.Width"); }
double ShapeImpl::Height() { return Geometry(3, "Shape.Height"); }
void ShapeImpl::SetLeft(double v) { SetGeometry(0, v, "Shape.Left"); }
void ShapeImpl::SetTop(double v) { SetGeometry(1, v, "Shape.Top"); }
void ShapeImpl::SetWidth(double v) {
    if (v < 0) Fail("Shape.Width", "negative width");
    SetGeometry(2, v, "Shape.Width");
}
void ShapeImpl::SetHeight(double v) {
    if (v < 0) Fail("Shape.Height", "negative height");
    SetGeometry(3, v, "Shape.Height");
}

double ShapeImpl::Rotation() {
    auto x = XfrmOf(Primary("Shape.Rotation"), false);
    return x ? (double)AttrInt(x, "rot") / 60000.0 : 0.0;
}

void ShapeImpl::SetRotation(double v) {
    auto node = Node("Shape.Rotation");
    auto slide = Slide("Shape.Rotation");
    for (auto el : VariantsOf(node)) {
        Frame f = LocalFrame(*slide, el);
        f.rot = v;
        WriteFrame(el, f);
    }
    slide->MarkDirty();
}

int ShapeImpl::ZOrderPosition() {
    auto node = Node("Shape.ZOrderPosition");
    int i = 0;
    for (auto c = node.parent().first_child(); c; c = c.next_sibling()) {
        if (IsShapeElement(c)) ++i;
        if (c == node) return i;
    }
    return i;
}

void ShapeImpl::ZOrder(int command) {
    auto node = Node("Shape.ZOrder");
    auto parent = node.parent();
    auto prevShape = [&](pugi::xml_node n) {
        for (auto p = n.previous_sibling(); p; p = p.previous_sibling())
            if (IsShapeElement(p)) return p;
        return pugi::xml_node();
    };
    auto nextShape = [&](pugi::xml_node n) {
        for (auto p = n.next_sibling(); p; p = p.next_sibling())
            if (IsShapeElement(p)) return p;
        return pugi::xml_node();
    };
    pugi::xml_node moved;
    switch (command) {
    case 0: { // bring to front
        pugi::xml_node last;
        for (auto p = nextShape(node); p; p = nextShape(p)) last = p;
        if (last) moved = parent.insert_move_after(node, last);
        break;
    }
    case 1: { // send to back
        pugi::xml_node first;
        for (auto p = prevShape(node); p; p = prevShape(p)) first = p;
        if (first) moved = parent.insert_move_before(node, first);
        break;
    }
    case 2:
        if (auto n = nextShape(node)) moved = parent.insert_move_after(node, n);
        break;
    case 3:
        if (auto p = prevShape(node)) moved = parent.insert_move_before(node, p);
        break;
    default:
        Fail("Shape.ZOrder", "unsupported command " + std::to_string(command));
    }
    if (moved) Slide("Shape.ZOrder")->MarkDirty();
}

void ShapeImpl::Select(bool replace) {
    Node("Shape.Select");
    auto p = Slide("Shape.Select")->Pres("Shape.Select");
    if (replace) p->selection.clear();
    std::erase_if(p->selection, [](auto& w) {
        auto s = w.lock();
        return !s || !s->alive();
    });
    for (auto& w : p->selection)
        if (w.lock().get() == this) return;
    p->selection.push_back(weak_from_this());
}

void ShapeImpl::Copy() { CopyShape(*this); }

void ShapeImpl::PickUp() { Node("Shape.PickUp"); }

void ShapeImpl::Delete() {
    auto node = Node("Shape.Delete");
    auto slide = Slide("Shape.Delete");
    std::vector<std::uint32_t> ids;
    auto collect = [&](pugi::xml_node n) {
        if (std::strstr(n.name(), ":cNvPr") && AttrInt(n, "id") > 0) ids.push_back((std::uint32_t)AttrInt(n, "id"));
    };
    ForEachElement(node, collect);
    auto rels = RelIdsIn(node);
    auto parent = node.parent();
    slide->Forget(node);
    parent.remove_child(node);
    slide->ReleaseReferences(ids);
    slide->DropUnusedRels(rels);
    slide->MarkDirty();
}

std::shared_ptr<office::ShapeRange> ShapeImpl::Ungroup() {
    const char* m = "Shape.Ungroup";
    auto node = Node(m);
    auto slide = Slide(m);
    auto grp = PrimaryOf(node);
    if (!Is(grp, "p:grpSp")) Fail(m, "the shape is not a group");
    auto x = XfrmOf(grp, false);
    Frame g = x ? ReadFrame(x) : Frame{};
    auto gm = GroupMapOf(grp);
    double gcx = g.x + g.cx / 2, gcy = g.y + g.cy / 2;
    double th = g.rot * M_PI / 180.0;
    std::vector<pugi::xml_node> members;
    for (auto c : grp.children())
        if (IsShapeElement(c)) members.push_back(c);
    auto parent = node.parent();
    std::vector<std::shared_ptr<ShapeImpl>> out;
    for (auto mnode : members) {
        for (auto el : VariantsOf(mnode)) {
            auto mx = XfrmOf(el, false);
            if (!mx || !mx.child("a:off")) continue;
            Frame f = ReadFrame(mx);
            double cx = gm.ox + (f.x + f.cx / 2 - gm.cx0) * gm.sx;
            double cy = gm.oy + (f.y + f.cy / 2 - gm.cy0) * gm.sy;
            double w = f.cx * gm.sx, h = f.cy * gm.sy;
            if (g.flipH) {
                cx = 2 * gcx - cx;
                f.flipH = !f.flipH;
                f.rot = -f.rot;
            }
            if (g.flipV) {
                cy = 2 * gcy - cy;
                f.flipV = !f.flipV;
                f.rot = -f.rot;
            }
            if (th != 0) {
                double dx = cx - gcx, dy = cy - gcy;
                cx = gcx + dx * std::cos(th) - dy * std::sin(th);
                cy = gcy + dx * std::sin(th) + dy * std::cos(th);
                f.rot += g.rot;
            }
            f.x = cx - w / 2;
            f.y = cy - h / 2;
            f.cx = w;
            f.cy = h;
            WriteFrame(el, f);
        }
        parent.insert_move_before(mnode, node);
        out.push_back(slide->Handle(mnode));
    }
    std::uint32_t gid = Id(m);
    slide->Forget(node);
    parent.remove_child(node);
    slide->ReleaseReferences({gid});
    slide->MarkDirty();
    return std::make_shared<ShapeRangeImpl>(std::move(out));
}

std::shared_ptr<office::OLEFormat> ShapeImpl::GetOLEFormat() {
    auto el = Primary("Shape.OLEFormat");
    if (!Is(el, "p:graphicFrame") ||
        std::strcmp(el.child("a:graphic").child("a:graphicData").attribute("uri").value(), kOleUri) != 0)
        Fail("Shape.OLEFormat", "the shape is not an OLE object");
    return std::make_shared<OLEFormatImpl>(shared_from_this());
}

std::shared_ptr<office::LinkFormat> ShapeImpl::GetLinkFormat() {
    int t = Type();
    if (t != office::ppt::kShapeMedia && t != office::ppt::kShapeLinkedOLE && t != office::ppt::kShapeLinkedPicture &&
        t != office::ppt::kShapeEmbeddedOLE && t != office::ppt::kShapePicture)
        Fail("Shape.LinkFormat", "the shape has no link");
    return std::make_shared<LinkFormatImpl>(shared_from_this());
}

std::shared_ptr<office::ActionSetting> ShapeImpl::ActionSettings(int index) {
    Node("Shape.ActionSettings");
    if (index != 1 && index != 2) Fail("Shape.ActionSettings", "index out of range");
    return MakeActionSetting(shared_from_this(), index);
}

std::shared_ptr<office::Dispatch> ShapeImpl::AnimationSettings() {
    auto id = Id("Shape.AnimationSettings");
    return MakeAnimationSettings(*Slide("Shape.AnimationSettings"), id);
}

bool ShapeImpl::Connector() { return Is(Primary("Shape.Connector"), "p:cxnSp"); }

std::shared_ptr<office::ConnectorFormat> ShapeImpl::GetConnectorFormat() {
    if (!Connector()) Fail("Shape.ConnectorFormat", "the shape is not a connector");
    return std::make_shared<ConnectorFormatImpl>(shared_from_this());
}

// ---- range ------------------------------------------------------------------------

std::shared_ptr<office::Shape> ShapeRangeImpl::Item(int index) {
    if (index < 1 || index > Count()) Fail("ShapeRange.Item", "index out of range");
    return shapes_[index - 1];
}

std::shared_ptr<office::Shape> ShapeRangeImpl::Group() {
    const char* m = "ShapeRange.Group";
    if (shapes_.size() < 2) Fail(m, "a group needs at least two shapes");
    auto slide = shapes_[0]->Slide(m);
    auto parent = shapes_[0]->Node(m).parent();
    std::vector<pugi::xml_node> nodes;
    for (auto& s : shapes_) {
        auto n = s->Node(m);
        if (s->Slide(m) != slide || n.parent() != parent) Fail(m, "the shapes are not on the same level of one slide");
        if (std::find(nodes.begin(), nodes.end(), n) == nodes.end()) nodes.push_back(n);
    }
    if (nodes.size() < 2) Fail(m, "a group needs at least two shapes");
    // document order
    std::vector<pugi::xml_node> ordered;
    for (auto c : parent.children())
        if (std::find(nodes.begin(), nodes.end(), c) != nodes.end()) ordered.push_back(c);
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (auto n : ordered) {
        Frame f = BoundsFrame(LocalFrame(*slide, PrimaryOf(n)));
        x0 = std::min(x0, f.x);
        y0 = std::min(y0, f.y);
        x1 = std::max(x1, f.x + f.cx);
        y1 = std::max(y1, f.y + f.cy);
    }
    std::uint32_t id = slide->NextId();
    auto grp = parent.insert_child_before("p:grpSp", ordered.back());
    auto nv = grp.append_child("p:nvGrpSpPr");
    auto c = nv.append_child("p:cNvPr");
    c.append_attribute("id") = id;
    c.append_attribute("name") = ("Group " + std::to_string(id - 1)).c_str();
    nv.append_child("p:cNvGrpSpPr");
    nv.append_child("p:nvPr");
    auto x = grp.append_child("p:grpSpPr").append_child("a:xfrm");
    auto put = [&](const char* tag, const char* a1, double v1, const char* a2, double v2) {
        auto e = x.append_child(tag);
        e.append_attribute(a1) = static_cast<long long>(std::llround(v1));
        e.append_attribute(a2) = static_cast<long long>(std::llround(v2));
    };
    put("a:off", "x", x0, "y", y0);
    put("a:ext", "cx", x1 - x0, "cy", y1 - y0);
    put("a:chOff", "x", x0, "y", y0);
    put("a:chExt", "cx", x1 - x0, "cy", y1 - y0);
    for (auto n : ordered) grp.append_move(n);
    slide->MarkDirty();
    auto handle = slide->Handle(grp);
    auto p = slide->Pres(m);
    p->selection.clear();
    p->selection.push_back(handle);
    return handle;
}

} // namespace quillmax::pptx
