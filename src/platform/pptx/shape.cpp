// File: platform/pptx/shape.cpp
// A shape handle: its names and texts, type, visibility, stacking,
// selection, copying and deletion with its clean-up.
#include <cstring>

#include "platform/pptx/model.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

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

std::shared_ptr<office::ActionSetting> ShapeImpl::ActionSettings(int index) {
    Node("Shape.ActionSettings");
    if (index != 1 && index != 2) Fail("Shape.ActionSettings", "index out of range");
    return MakeActionSetting(shared_from_this(), index);
}

std::shared_ptr<office::Dispatch> ShapeImpl::AnimationSettings() {
    auto id = Id("Shape.AnimationSettings");
    return MakeAnimationSettings(*Slide("Shape.AnimationSettings"), id);
}

} // namespace quillmax::pptx
