// File: platform/pptx/media_format.cpp
// Shape.MediaFormat of the package-backed PowerPoint: where a media shape's
// bytes and poster live, and its playback settings. Trim and fade are kept
// by p14:media; volume, mute, loop, slides to play across, hide-when-stopped
// and full screen by the shape's media node in the slide's timing.
#include <cmath>
#include <cstring>
#include <fstream>

#include "base/errors.h"
#include "platform/pptx/model.h"
#include "platform/pptx/package.h"
#include "platform/pptx/xml_util.h"
#include "base/text.h"

namespace quillmax::pptx {
namespace {

using office::Value;

[[noreturn]] void FailMedia(const std::string& member, const std::string& why) {
    throw office::AutomationError("MediaFormat." + member, why);
}

constexpr const char* kP14MediaUri = "{DAA4B4D4-6D71-4841-9C94-3DE7FCFB9230}";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) FailMedia("SetDisplayPictureFromFile", "cannot read " + path);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) FailMedia("SetDisplayPictureFromFile", "empty file " + path);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes, const char* member) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) FailMedia(member, "cannot write " + path);
}

void SetOrRemove(pugi::xml_node n, const char* attr, bool keep, const std::string& value) {
    if (!keep) {
        n.remove_attribute(attr);
        return;
    }
    if (!n.attribute(attr)) n.append_attribute(attr);
    n.attribute(attr).set_value(value.c_str());
}

std::string Number(double v) {
    const double r = std::round(v);
    return std::abs(v - r) < 1e-9 ? std::to_string(static_cast<long long>(r)) : std::to_string(v);
}

class MediaFormatImpl : public office::MediaFormat {
public:
    explicit MediaFormatImpl(std::shared_ptr<ShapeImpl> s) : s_(std::move(s)) {}

    bool IsEmbedded() override { return EmbeddedPart("IsEmbedded") != nullptr; }

    void ExportMedia(const std::string& path) override {
        Part* part = EmbeddedPart("ExportMedia");
        if (!part) FailMedia("ExportMedia", "the media is linked, not embedded");
        WriteFile(path, part->ReadBytes(), "ExportMedia");
    }

    std::string ExportDisplayPicture(const std::string& base) override {
        auto blip = s_->Primary("MediaFormat.ExportDisplayPicture").child("p:blipFill").child("a:blip");
        Part* part = blip ? SlidePart().Target(blip.attribute("r:embed").value()) : nullptr;
        const std::string bytes = part ? part->ReadBytes() : std::string();
        if (bytes.empty()) FailMedia("ExportDisplayPicture", "no poster frame");
        std::string ext = ExtensionOf(part->name());
        const std::string path = base + "." + (ext.empty() ? "png" : ext);
        WriteFile(path, bytes, "ExportDisplayPicture");
        return path;
    }

    void SetDisplayPictureFromFile(const std::string& path) override {
        const char* m = "MediaFormat.SetDisplayPictureFromFile";
        auto pic = s_->Primary(m);
        auto blip = pic.child("p:blipFill").child("a:blip");
        if (!blip) FailMedia("SetDisplayPictureFromFile", "the shape has no picture");
        std::string ext = ExtensionOf(path);
        std::string type = MediaContentType(ext);
        if (type.rfind("image/", 0) != 0) FailMedia("SetDisplayPictureFromFile", "not a picture: " + path);
        std::string bytes = ReadFile(path);
        auto slide = s_->Slide(m);
        Package& pkg = slide->Pres(m)->package();
        std::string name = pkg.FreeName("/ppt/media/image", ext);
        pkg.Add(name, std::move(bytes), type);
        const std::string old = blip.attribute("r:embed").value();
        const std::string rid = SlidePart().Rels().Add(reltype::Of("image"), SlidePart().RelativeTo(name), false);
        if (!blip.attribute("r:embed")) blip.append_attribute("r:embed");
        blip.attribute("r:embed").set_value(rid.c_str());
        if (!old.empty()) slide->DropUnusedRels({old});
        slide->MarkDirty();
    }

    Value Get(std::string_view member) override {
        const std::string m = util::LowerAscii(member);
        if (m == "startpoint") return Value(P14("trim").attribute("st").as_double(0));
        if (m == "endpoint") return Value(P14("trim").attribute("end").as_double(0));
        if (m == "fadeinduration") return Value(P14("fade").attribute("in").as_double(0));
        if (m == "fadeoutduration") return Value(P14("fade").attribute("out").as_double(0));
        pugi::xml_node node = MediaNode();
        if (!node) FailMedia(std::string(member), "the shape has no media node");
        pugi::xml_node c = node.child("p:cMediaNode");
        if (m == "volume") return Value(c.attribute("vol").as_double(50000) / 100000.0);
        if (m == "muted") return Value(c.attribute("mute").as_bool(false) ? -1 : 0);
        if (m == "loopuntilstopped")
            return Value(std::strcmp(c.child("p:cTn").attribute("repeatCount").value(), "indefinite") == 0 ? -1 : 0);
        if (m == "playacrossslides") return Value(c.attribute("numSld").as_int(1));
        if (m == "hidewhilenotplaying") return Value(c.attribute("showWhenStopped").as_bool(true) ? 0 : -1);
        if (m == "fullscreen") return Value(node.attribute("fullScrn").as_bool(false) ? -1 : 0);
        FailMedia(std::string(member), "unknown member");
    }

    void Set(std::string_view member, const Value& v) override {
        const std::string m = util::LowerAscii(member);
        const char* name = "MediaFormat.Set";
        if (m == "startpoint" || m == "endpoint" || m == "fadeinduration" || m == "fadeoutduration") {
            const double ms = v.as_double();
            if (ms < 0) FailMedia(std::string(member), "negative time");
            const bool trim = m == "startpoint" || m == "endpoint";
            pugi::xml_node e = P14(trim ? "trim" : "fade", true);
            const char* attr = m == "startpoint" ? "st" : m == "endpoint" ? "end" : m == "fadeinduration" ? "in" : "out";
            SetOrRemove(e, attr, ms > 0, Number(ms));
            if (!e.first_attribute()) e.parent().remove_child(e);
        } else {
            pugi::xml_node node = MediaNode();
            pugi::xml_node c = node.child("p:cMediaNode");
            if (!c) FailMedia(std::string(member), "the shape has no media node");
            if (m == "volume") {
                const double vol = v.as_double();
                if (vol < 0 || vol > 1) FailMedia(std::string(member), "out of range");
                SetOrRemove(c, "vol", true, std::to_string(std::lround(vol * 100000)));
            } else if (m == "muted") {
                SetOrRemove(c, "mute", v.as_bool(), "1");
            } else if (m == "loopuntilstopped") {
                SetOrRemove(c.child("p:cTn"), "repeatCount", v.as_bool(), "indefinite");
            } else if (m == "playacrossslides") {
                const auto n = v.as_int();
                if (n < 1) FailMedia(std::string(member), "out of range");
                SetOrRemove(c, "numSld", n != 1, std::to_string(n));
            } else if (m == "hidewhilenotplaying") {
                SetOrRemove(c, "showWhenStopped", v.as_bool(), "0");
            } else if (m == "fullscreen") {
                if (std::strcmp(node.name(), "p:video") != 0) FailMedia(std::string(member), "not a movie");
                SetOrRemove(node, "fullScrn", v.as_bool(), "1");
            } else {
                FailMedia(std::string(member), "unknown member");
            }
        }
        s_->Slide(name)->MarkDirty();
    }

private:
    Part& SlidePart() { return s_->Slide("MediaFormat")->part(); }

    pugi::xml_node NvPr(const char* member) {
        return s_->Primary(member).child("p:nvPicPr").child("p:nvPr");
    }

    pugi::xml_node P14Media() {
        for (auto ext : NvPr("MediaFormat").child("p:extLst").children("p:ext"))
            if (std::strcmp(ext.attribute("uri").value(), kP14MediaUri) == 0) return ext.child("p14:media");
        return {};
    }

    // p14:trim or p14:fade, made in schema order when asked.
    pugi::xml_node P14(const char* local, bool create = false) {
        pugi::xml_node media = P14Media();
        const std::string tag = std::string("p14:") + local;
        pugi::xml_node e = media.child(tag.c_str());
        if (e || !create) return e;
        if (!media) FailMedia(local, "the shape has no media extension");
        return ChildInOrder(media, tag.c_str(), QMX_ORDER_P14_MEDIA);
    }

    // The internal media part: p14:media's embed, else the older link kept
    // inside the package.
    Part* EmbeddedPart(const char* member) {
        pugi::xml_node nvPr = NvPr(member);
        bool media = false;
        for (const char* tag : {"a:videoFile", "a:audioFile", "a:quickTimeFile", "a:wavAudioFile"})
            media = media || nvPr.child(tag);
        if (!media) FailMedia(member, "not a media shape");
        Part& part = SlidePart();
        auto internal = [&](const char* rid) -> Part* {
            const Relationship* r = part.Rels().Find(rid);
            return r && !r->external ? part.Target(rid) : nullptr;
        };
        if (Part* p = internal(P14Media().attribute("r:embed").value())) return p;
        for (const char* tag : {"a:videoFile", "a:audioFile", "a:quickTimeFile", "a:wavAudioFile"})
            if (Part* p = internal(nvPr.child(tag).attribute("r:link").value())) return p;
        return nullptr;
    }

    // The shape's p:video / p:audio node in the timing.
    pugi::xml_node MediaNode() {
        auto slide = s_->Slide("MediaFormat");
        const std::uint32_t id = s_->Id("MediaFormat");
        pugi::xml_node found;
        auto timing = slide->Document().document_element().child("p:timing");
        for (auto x : timing.select_nodes(".//p:cMediaNode/p:tgtEl/p:spTgt")) {
            if (x.node().attribute("spid").as_uint() == id) {
                found = x.node().parent().parent().parent();
                break;
            }
        }
        return found;
    }

    std::shared_ptr<ShapeImpl> s_;
};

} // namespace

std::shared_ptr<office::MediaFormat> ShapeImpl::GetMediaFormat() {
    if (Type() != office::ppt::kShapeMedia) Fail("Shape.MediaFormat", "the shape is not a media shape");
    return std::make_shared<MediaFormatImpl>(shared_from_this());
}

} // namespace quillmax::pptx
