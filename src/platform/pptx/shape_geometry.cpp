// File: platform/pptx/shape_geometry.cpp
// Shape geometry: frames read through placeholder inheritance and group
// mappings, written back on every alternative of a shape.
#include "platform/pptx/shape_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

namespace {

// Placeholder geometry from the layout, then the master.
std::optional<Frame> InheritedFrame(Part& slidePart, pugi::xml_node ph) {
    for (auto shape : PlaceholderChain(slidePart, ph)) {
        auto x = XfrmOf(shape, false);
        if (x && x.child("a:off") && x.child("a:ext")) return ReadFrame(x);
    }
    return std::nullopt;
}

} // namespace

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

// The box a rotated member takes in its group's frame, as the presentation
// program counts it: turned by a quarter (45 to 135 degrees, 225 to 315)
// its width and height change places about its centre, otherwise it stays.
Frame BoundsFrame(Frame f) {
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

} // namespace quillmax::pptx
