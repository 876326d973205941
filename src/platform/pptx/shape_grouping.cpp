// File: platform/pptx/shape_grouping.cpp
// Grouping and ungrouping: members keep where they stand on the slide.
#include <algorithm>
#include <cmath>

#include "platform/pptx/model.h"
#include "platform/pptx/shape_geometry.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

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
