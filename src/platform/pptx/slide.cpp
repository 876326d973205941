// File: platform/pptx/slide.cpp
// A slide: its shape tree, the handles of its shapes, shape ids, and the
// clean-up when shapes leave it.
#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "platform/pptx/model.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

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

} // namespace quillmax::pptx
