// File: platform/pptx/shape_formats.cpp
// What a shape offers beyond its frame: its OLE object, its link, its
// connector ends.
#include <cctype>
#include <cstring>
#include <string>

#include "platform/pptx/model.h"
#include "platform/pptx/package_names.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

namespace {

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

bool ShapeImpl::Connector() { return Is(Primary("Shape.Connector"), "p:cxnSp"); }

std::shared_ptr<office::ConnectorFormat> ShapeImpl::GetConnectorFormat() {
    if (!Connector()) Fail("Shape.ConnectorFormat", "the shape is not a connector");
    return std::make_shared<ConnectorFormatImpl>(shared_from_this());
}

} // namespace quillmax::pptx
