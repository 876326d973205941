// File: platform/pptx/deck_builder.cpp
// The package writer behind deck_builder.h: XML text for every part, one
// zip written through libzip, media stored, XML deflated.
#include "platform/pptx/deck_builder.h"

#include <vips/vips8>
#include <zip.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "base/errors.h"
#include "base/atomic_file.h"

namespace quillmax::pptx::deck {

namespace {

[[noreturn]] void Fail(const std::string& why) { throw office::AutomationError("DeckBuilder", why); }

constexpr const char* kNsP = "http://schemas.openxmlformats.org/presentationml/2006/main";
constexpr const char* kNsA = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr const char* kNsR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kRelBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr const char* kXmlDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

std::string Esc(const std::string& s) {
    std::string o;
    o.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&': o += "&amp;"; break;
        case '<': o += "&lt;"; break;
        case '>': o += "&gt;"; break;
        case '"': o += "&quot;"; break;
        default: o += c;
        }
    }
    return o;
}

long long Emu(double pt) { return std::llround(pt * 12700.0); }
std::string E(double pt) { return std::to_string(Emu(pt)); }

std::string ContentTypeOf(const std::string& ext) {
    static const std::map<std::string, std::string> types{
        {"jpeg", "image/jpeg"}, {"jpg", "image/jpeg"}, {"png", "image/png"}, {"gif", "image/gif"},
        {"emf", "image/x-emf"}, {"wmf", "image/x-wmf"}, {"tiff", "image/tiff"}, {"bmp", "image/bmp"},
        {"svg", "image/svg+xml"}, {"wav", "audio/wav"}, {"mp4", "video/mp4"}, {"mov", "video/quicktime"},
        {"wmv", "video/x-ms-wmv"}, {"avi", "video/x-msvideo"},
        {"bin", "application/vnd.openxmlformats-officedocument.oleObject"}};
    auto it = types.find(ext);
    return it == types.end() ? "application/octet-stream" : it->second;
}

struct Part {
    std::string name; // without leading '/'
    std::string bytes;
    bool store = false;
};

class Rels {
public:
    std::string Add(const std::string& type, const std::string& target, bool external = false) {
        std::string id = "rId" + std::to_string(++n_);
        xml_ += "<Relationship Id=\"" + id + "\" Type=\"" + (type.find("://") == std::string::npos ? kRelBase + type : type) +
                "\" Target=\"" + Esc(target) + "\"" + (external ? " TargetMode=\"External\"" : "") + "/>";
        return id;
    }
    std::string Xml() const {
        return std::string(kXmlDecl) +
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + xml_ +
               "</Relationships>";
    }

private:
    int n_ = 0;
    std::string xml_;
};

// Media parts of the whole package, shared by identical bytes when asked.
class Media {
public:
    explicit Media(bool share) : share_(share) {}
    // Part name relative to ppt/ (e.g. "media/image3.png").
    std::string Add(const std::string& bytes, const std::string& ext, const char* stem = "image",
                    const char* folder = "media") {
        std::string key = std::string(folder) + "|" + ext + "|" + bytes;
        if (share_) {
            auto it = byBytes_.find(key);
            if (it != byBytes_.end()) return it->second;
        }
        std::string name = std::string(folder) + "/" + stem + std::to_string(++counts_[std::string(folder) + stem]) + "." + ext;
        parts.push_back({"ppt/" + name, bytes, ext != "bin" && ext != "emf" && ext != "wmf" && ext != "wav"});
        exts.insert(ext);
        if (share_) byBytes_[key] = name;
        return name;
    }
    std::vector<Part> parts;
    std::set<std::string> exts;

private:
    bool share_;
    std::map<std::string, std::string> byBytes_;
    std::map<std::string, int> counts_;
};

const char* DefaultStem(Kind k) {
    switch (k) {
    case Kind::Picture: return "Picture";
    case Kind::Rectangle: return "Rectangle";
    case Kind::Oval: return "Oval";
    case Kind::TextBox: return "TextBox";
    case Kind::Group: return "Group";
    case Kind::Connector: return "Straight Connector";
    case Kind::OleObject: return "Object";
    case Kind::Video: return "Video";
    }
    return "Shape";
}

// Assigns the ids left at 0, in document order, avoiding explicit ones.
void CollectIds(const std::vector<Shape>& shapes, std::set<int>& used) {
    for (const auto& s : shapes) {
        if (s.id) used.insert(s.id);
        CollectIds(s.children, used);
    }
}
void AssignIds(std::vector<Shape>& shapes, std::set<int>& used, int& next) {
    for (auto& s : shapes) {
        if (!s.id) {
            while (used.count(next)) ++next;
            s.id = next;
            used.insert(next);
        }
        if (s.name.empty()) s.name = std::string(DefaultStem(s.kind)) + " " + std::to_string(s.id - 1);
        AssignIds(s.children, used, next);
    }
}

class SlideWriter {
public:
    SlideWriter(Media& media, Rels& rels) : media_(media), rels_(rels) {}

    std::string Tree(const std::vector<Shape>& shapes) {
        std::string o;
        for (const auto& s : shapes) o += ShapeXml(s);
        return o;
    }

private:
    std::string Xfrm(const Geometry& g, const char* ns = "a") {
        std::string o = std::string("<") + ns + ":xfrm";
        if (std::abs(g.rotation) > 1e-9) o += " rot=\"" + std::to_string(std::llround(g.rotation * 60000.0)) + "\"";
        if (g.flipH) o += " flipH=\"1\"";
        if (g.flipV) o += " flipV=\"1\"";
        o += "><a:off x=\"" + E(g.left) + "\" y=\"" + E(g.top) + "\"/><a:ext cx=\"" + E(g.width) + "\" cy=\"" +
             E(g.height) + "\"/></" + ns + ":xfrm>";
        return o;
    }

    std::string Hlink(const char* tag, const Action& a) {
        std::string rid;
        if (!a.url.empty()) rid = rels_.Add("hyperlink", a.url, true);
        std::string o = std::string("<a:") + tag + " r:id=\"" + rid + "\"";
        if (!a.action.empty()) o += " action=\"" + Esc(a.action) + "\"";
        if (!a.tooltip.empty()) o += " tooltip=\"" + Esc(a.tooltip) + "\"";
        std::string snd;
        if (!a.soundBytes.empty()) {
            std::string part = media_.Add(a.soundBytes, "wav", "audio");
            std::string sid = rels_.Add("audio", "../" + part);
            snd = "<a:snd r:embed=\"" + sid + "\" name=\"" + Esc(a.soundName.empty() ? "sound.wav" : a.soundName) + "\"/>";
        }
        if (snd.empty()) return o + "/>";
        return o + ">" + snd + "</a:" + tag + ">";
    }

    std::string CNvPr(const Shape& s) {
        std::string o = "<p:cNvPr id=\"" + std::to_string(s.id) + "\" name=\"" + Esc(s.name) + "\"";
        if (!s.descr.empty()) o += " descr=\"" + Esc(s.descr) + "\"";
        if (s.hidden) o += " hidden=\"1\"";
        if (!s.title.empty()) o += " title=\"" + Esc(s.title) + "\"";
        if (!s.click && !s.hover) return o + "/>";
        o += ">";
        if (s.click) o += Hlink("hlinkClick", *s.click);
        if (s.hover) o += Hlink("hlinkHover", *s.hover);
        return o + "</p:cNvPr>";
    }

    std::string BlipFill(const Shape& s) {
        if (s.image.bytes.empty()) Fail("picture \"" + s.name + "\" has no image");
        std::string part = media_.Add(s.image.bytes, s.image.ext.empty() ? "png" : s.image.ext);
        std::string rid = rels_.Add("image", "../" + part);
        std::string o = "<p:blipFill><a:blip r:embed=\"" + rid + "\"/>";
        const auto& c = s.crop;
        if (c.left || c.top || c.right || c.bottom) {
            auto v = [](double f) { return std::to_string(std::llround(f * 100000.0)); };
            o += "<a:srcRect";
            if (c.left) o += " l=\"" + v(c.left) + "\"";
            if (c.top) o += " t=\"" + v(c.top) + "\"";
            if (c.right) o += " r=\"" + v(c.right) + "\"";
            if (c.bottom) o += " b=\"" + v(c.bottom) + "\"";
            o += "/>";
        }
        return o + "<a:stretch><a:fillRect/></a:stretch></p:blipFill>";
    }

    static std::string Fill(const std::string& rgb) {
        return "<a:solidFill><a:srgbClr val=\"" + rgb + "\"/></a:solidFill>";
    }

    std::string TextBody(const std::string& text, bool box) {
        std::string o = std::string("<p:txBody><a:bodyPr") + (box ? " wrap=\"square\" rtlCol=\"0\"" : " rtlCol=\"0\" anchor=\"ctr\"") +
                        ">" + (box ? "<a:spAutoFit/>" : "") + "</a:bodyPr><a:lstStyle/>";
        std::istringstream lines(text);
        std::string line;
        bool any = false;
        while (std::getline(lines, line)) {
            any = true;
            o += "<a:p>" + std::string(box ? "" : "<a:pPr algn=\"ctr\"/>") + "<a:r><a:rPr lang=\"en-US\" dirty=\"0\"/><a:t>" +
                 Esc(line) + "</a:t></a:r></a:p>";
        }
        if (!any) o += "<a:p><a:endParaRPr lang=\"en-US\" dirty=\"0\"/></a:p>";
        return o + "</p:txBody>";
    }

    static std::string Style() {
        return "<p:style><a:lnRef idx=\"2\"><a:schemeClr val=\"accent1\"><a:shade val=\"50000\"/></a:schemeClr></a:lnRef>"
               "<a:fillRef idx=\"1\"><a:schemeClr val=\"accent1\"/></a:fillRef><a:effectRef idx=\"0\"><a:schemeClr val=\"accent1\"/></a:effectRef>"
               "<a:fontRef idx=\"minor\"><a:schemeClr val=\"lt1\"/></a:fontRef></p:style>";
    }

    std::string ShapeXml(const Shape& s) {
        switch (s.kind) {
        case Kind::Picture:
            return "<p:pic><p:nvPicPr>" + CNvPr(s) +
                   "<p:cNvPicPr><a:picLocks noChangeAspect=\"1\"/></p:cNvPicPr><p:nvPr/></p:nvPicPr>" + BlipFill(s) +
                   "<p:spPr>" + Xfrm(s.geometry) + "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>";
        case Kind::Rectangle:
        case Kind::Oval: {
            std::string o = "<p:sp><p:nvSpPr>" + CNvPr(s) + "<p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>" + Xfrm(s.geometry) +
                            "<a:prstGeom prst=\"" + (s.kind == Kind::Oval ? "ellipse" : "rect") + "\"><a:avLst/></a:prstGeom>";
            if (!s.fill.empty()) o += Fill(s.fill);
            o += "</p:spPr>" + Style();
            o += TextBody(s.text, false);
            return o + "</p:sp>";
        }
        case Kind::TextBox: {
            std::string o = "<p:sp><p:nvSpPr>" + CNvPr(s) + "<p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr>" +
                            Xfrm(s.geometry) + "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>" +
                            (s.fill.empty() ? "<a:noFill/>" : Fill(s.fill)) + "</p:spPr>";
            return o + TextBody(s.text, true) + "</p:sp>";
        }
        case Kind::Group: {
            const auto& g = s.geometry;
            double cw = s.childWidth > 0 ? s.childWidth : g.width;
            double ch = s.childHeight > 0 ? s.childHeight : g.height;
            double cl = s.childWidth > 0 ? s.childLeft : g.left;
            double ct = s.childHeight > 0 ? s.childTop : g.top;
            std::string x = "<a:xfrm";
            if (std::abs(g.rotation) > 1e-9) x += " rot=\"" + std::to_string(std::llround(g.rotation * 60000.0)) + "\"";
            if (g.flipH) x += " flipH=\"1\"";
            if (g.flipV) x += " flipV=\"1\"";
            x += "><a:off x=\"" + E(g.left) + "\" y=\"" + E(g.top) + "\"/><a:ext cx=\"" + E(g.width) + "\" cy=\"" +
                 E(g.height) + "\"/><a:chOff x=\"" + E(cl) + "\" y=\"" + E(ct) + "\"/><a:chExt cx=\"" + E(cw) +
                 "\" cy=\"" + E(ch) + "\"/></a:xfrm>";
            return "<p:grpSp><p:nvGrpSpPr>" + CNvPr(s) + "<p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr>" + x +
                   "</p:grpSpPr>" + Tree(s.children) + "</p:grpSp>";
        }
        case Kind::Connector: {
            std::string c = "<p:cNvCxnSpPr>";
            if (s.startId) c += "<a:stCxn id=\"" + std::to_string(s.startId) + "\" idx=\"" + std::to_string(s.startSite) + "\"/>";
            if (s.endId) c += "<a:endCxn id=\"" + std::to_string(s.endId) + "\" idx=\"" + std::to_string(s.endSite) + "\"/>";
            c += "</p:cNvCxnSpPr>";
            return "<p:cxnSp><p:nvCxnSpPr>" + CNvPr(s) + c + "<p:nvPr/></p:nvCxnSpPr><p:spPr>" + Xfrm(s.geometry) +
                   "<a:prstGeom prst=\"straightConnector1\"><a:avLst/></a:prstGeom><a:ln w=\"19050\"><a:solidFill><a:srgbClr val=\"1F3864\"/></a:solidFill></a:ln></p:spPr></p:cxnSp>";
        }
        case Kind::OleObject: {
            if (s.image.bytes.empty()) Fail("OLE object \"" + s.name + "\" has no preview");
            std::string rid;
            std::string link;
            if (!s.linkPath.empty()) {
                rid = rels_.Add("oleObject", s.linkPath, true);
                link = "<p:link updateAutomatic=\"1\"/>";
            } else {
                std::string part = media_.Add(s.oleBytes, "bin", "oleObject", "embeddings");
                rid = rels_.Add("oleObject", "../" + part);
                link = "<p:embed/>";
            }
            Shape preview = s;
            preview.kind = Kind::Picture;
            preview.click.reset();
            preview.hover.reset();
            preview.descr.clear();
            std::string pic = "<p:pic><p:nvPicPr><p:cNvPr id=\"0\" name=\"\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>" +
                              BlipFill(preview) + "<p:spPr>" + Xfrm(s.geometry) + "</p:spPr></p:pic>";
            return "<p:graphicFrame><p:nvGraphicFramePr>" + CNvPr(s) +
                   "<p:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/></p:cNvGraphicFramePr><p:nvPr/></p:nvGraphicFramePr>" +
                   Xfrm(s.geometry, "p") +
                   "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/presentationml/2006/ole\">"
                   "<p:oleObj name=\"" + Esc(s.name) + "\" r:id=\"" + rid + "\" imgW=\"" + E(s.geometry.width) +
                   "\" imgH=\"" + E(s.geometry.height) + "\" progId=\"" + Esc(s.progId) + "\">" + link + pic +
                   "</p:oleObj></a:graphicData></a:graphic></p:graphicFrame>";
        }
        case Kind::Video: {
            if (s.videoBytes.empty()) Fail("video \"" + s.name + "\" has no movie");
            std::string part = media_.Add(s.videoBytes, s.videoExt, "media");
            std::string vid = rels_.Add("video", "../" + part);
            std::string mid = rels_.Add("http://schemas.microsoft.com/office/2007/relationships/media", "../" + part);
            std::string nv = "<p:nvPr><a:videoFile r:link=\"" + vid +
                             "\"/><p:extLst><p:ext uri=\"{DAA4B4D4-6D71-4841-9C94-3DE7FCFB9230}\">"
                             "<p14:media xmlns:p14=\"http://schemas.microsoft.com/office/powerpoint/2010/main\" r:embed=\"" +
                             mid + "\"/></p:ext></p:extLst></p:nvPr>";
            std::string cnv = CNvPr(s);
            if (!s.click) {
                // A movie starts from a click on itself.
                Shape withClick = s;
                withClick.click = Action{};
                withClick.click->action = "ppaction://media";
                cnv = CNvPr(withClick);
            }
            return "<p:pic><p:nvPicPr>" + cnv + "<p:cNvPicPr><a:picLocks noChangeAspect=\"1\"/></p:cNvPicPr>" + nv +
                   "</p:nvPicPr>" + BlipFill(s) + "<p:spPr>" + Xfrm(s.geometry) +
                   "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>";
        }
        }
        return {};
    }

    Media& media_;
    Rels& rels_;
};

// ---- timing ------------------------------------------------------------

std::string Timing(const std::vector<Effect>& effects) {
    if (effects.empty()) return {};
    int id = 2;
    auto next = [&id] { return std::to_string(++id); };
    // Click groups, each a list of after-chains, each a list of effects.
    struct Chain { std::vector<const Effect*> effects; long long delay = 0; };
    struct Click { std::vector<Chain> chains; bool byClick = true; };
    std::vector<Click> clicks;
    for (const auto& e : effects) {
        if (clicks.empty() || e.trigger == Trigger::OnClick) {
            clicks.push_back({});
            clicks.back().byClick = e.trigger == Trigger::OnClick;
            clicks.back().chains.push_back({});
        } else if (e.trigger == Trigger::AfterPrevious) {
            // Starts when everything before it in the click group has ended.
            long long end = 0;
            const auto& last = clicks.back().chains.back();
            for (const auto* p : last.effects) end = std::max<long long>(end, last.delay + p->delayMs + p->durationMs);
            clicks.back().chains.push_back({});
            clicks.back().chains.back().delay = end;
        }
        clicks.back().chains.back().effects.push_back(&e);
    }
    std::string seq;
    for (const auto& c : clicks) {
        std::string outer = "<p:par><p:cTn id=\"" + next() + "\" fill=\"hold\"><p:stCondLst><p:cond delay=\"indefinite\"/>";
        if (!c.byClick) outer += "<p:cond evt=\"onBegin\" delay=\"0\"><p:tn val=\"2\"/></p:cond>";
        outer += "</p:stCondLst><p:childTnLst>";
        bool firstChain = true;
        for (const auto& ch : c.chains) {
            std::string inner = "<p:par><p:cTn id=\"" + next() + "\" fill=\"hold\"><p:stCondLst><p:cond delay=\"" +
                                std::to_string(ch.delay) + "\"/></p:stCondLst><p:childTnLst>";
            bool firstEffect = true;
            for (const auto* e : ch.effects) {
                const char* node = (firstChain && firstEffect && c.byClick) ? "clickEffect"
                                   : (firstEffect && !firstChain)            ? "afterEffect"
                                   : (firstChain && firstEffect)             ? (e->trigger == Trigger::AfterPrevious ? "afterEffect" : "withEffect")
                                                                             : "withEffect";
                std::string spid = std::to_string(e->shapeId);
                std::string tgt = "<p:tgtEl><p:spTgt spid=\"" + spid + "\"/></p:tgtEl>";
                std::string fx = "<p:par><p:cTn id=\"" + next() + "\" presetID=\"" + std::to_string(e->presetId) +
                                 "\" presetClass=\"entr\" presetSubtype=\"0\" fill=\"hold\"" +
                                 (e->buildEntry ? " grpId=\"0\"" : "") + " nodeType=\"" + node +
                                 "\"><p:stCondLst><p:cond delay=\"" + std::to_string(e->delayMs) +
                                 "\"/></p:stCondLst><p:childTnLst>";
                fx += "<p:set><p:cBhvr><p:cTn id=\"" + next() +
                      "\" dur=\"1\" fill=\"hold\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst></p:cTn>" + tgt +
                      "<p:attrNameLst><p:attrName>style.visibility</p:attrName></p:attrNameLst></p:cBhvr><p:to><p:strVal val=\"visible\"/></p:to></p:set>";
                if (e->presetId == 10)
                    fx += "<p:animEffect transition=\"in\" filter=\"fade\"><p:cBhvr><p:cTn id=\"" + next() + "\" dur=\"" +
                          std::to_string(e->durationMs) + "\"/>" + tgt + "</p:cBhvr></p:animEffect>";
                fx += "</p:childTnLst></p:cTn></p:par>";
                inner += fx;
                firstEffect = false;
            }
            outer += inner + "</p:childTnLst></p:cTn></p:par>";
            firstChain = false;
        }
        seq += outer + "</p:childTnLst></p:cTn></p:par>";
    }
    std::string bld;
    std::set<int> built;
    for (const auto& e : effects)
        if (e.buildEntry && built.insert(e.shapeId).second)
            bld += "<p:bldP spid=\"" + std::to_string(e.shapeId) + "\" grpId=\"0\"/>";
    return "<p:timing><p:tnLst><p:par><p:cTn id=\"1\" dur=\"indefinite\" restart=\"never\" nodeType=\"tmRoot\"><p:childTnLst>"
           "<p:seq concurrent=\"1\" nextAc=\"seek\"><p:cTn id=\"2\" dur=\"indefinite\" nodeType=\"mainSeq\"><p:childTnLst>" +
           seq +
           "</p:childTnLst></p:cTn><p:prevCondLst><p:cond evt=\"onPrev\" delay=\"0\"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:prevCondLst>"
           "<p:nextCondLst><p:cond evt=\"onNext\" delay=\"0\"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:nextCondLst></p:seq>"
           "</p:childTnLst></p:cTn></p:par></p:tnLst>" +
           (bld.empty() ? std::string() : "<p:bldLst>" + bld + "</p:bldLst>") + "</p:timing>";
}

// ---- fixed parts ---------------------------------------------------------

std::string SlideOpen() {
    return std::string(kXmlDecl) + "<p:sld xmlns:a=\"" + kNsA + "\" xmlns:r=\"" + kNsR + "\" xmlns:p=\"" + kNsP + "\">";
}

const char* kTreeHead =
    "<p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
    "<p:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/><a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"0\" cy=\"0\"/></a:xfrm></p:grpSpPr>";

std::string Theme() {
    std::string clr =
        "<a:clrScheme name=\"Office\"><a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>"
        "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1><a:dk2><a:srgbClr val=\"44546A\"/></a:dk2>"
        "<a:lt2><a:srgbClr val=\"E7E6E6\"/></a:lt2><a:accent1><a:srgbClr val=\"4472C4\"/></a:accent1>"
        "<a:accent2><a:srgbClr val=\"ED7D31\"/></a:accent2><a:accent3><a:srgbClr val=\"A5A5A5\"/></a:accent3>"
        "<a:accent4><a:srgbClr val=\"FFC000\"/></a:accent4><a:accent5><a:srgbClr val=\"5B9BD5\"/></a:accent5>"
        "<a:accent6><a:srgbClr val=\"70AD47\"/></a:accent6><a:hlink><a:srgbClr val=\"0563C1\"/></a:hlink>"
        "<a:folHlink><a:srgbClr val=\"954F72\"/></a:folHlink></a:clrScheme>";
    std::string font =
        "<a:fontScheme name=\"Office\"><a:majorFont><a:latin typeface=\"DejaVu Sans\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/></a:majorFont>"
        "<a:minorFont><a:latin typeface=\"DejaVu Sans\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/></a:minorFont></a:fontScheme>";
    std::string solid = "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>";
    std::string ln = "<a:ln w=\"6350\" cap=\"flat\" cmpd=\"sng\" algn=\"ctr\">" + solid + "<a:prstDash val=\"solid\"/><a:miter lim=\"800000\"/></a:ln>";
    std::string fmt = "<a:fmtScheme name=\"Office\"><a:fillStyleLst>" + solid + solid + solid + "</a:fillStyleLst><a:lnStyleLst>" +
                      ln + ln + ln + "</a:lnStyleLst><a:effectStyleLst>" +
                      "<a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle>" +
                      "</a:effectStyleLst><a:bgFillStyleLst>" + solid + solid + solid + "</a:bgFillStyleLst></a:fmtScheme>";
    return std::string(kXmlDecl) + "<a:theme xmlns:a=\"" + kNsA + "\" name=\"Office Theme\"><a:themeElements>" + clr + font + fmt +
           "</a:themeElements><a:objectDefaults/><a:extraClrSchemeLst/></a:theme>";
}

std::string Master() {
    return std::string(kXmlDecl) + "<p:sldMaster xmlns:a=\"" + kNsA + "\" xmlns:r=\"" + kNsR + "\" xmlns:p=\"" + kNsP +
           "\"><p:cSld><p:bg><p:bgRef idx=\"1001\"><a:schemeClr val=\"bg1\"/></p:bgRef></p:bg><p:spTree>" + kTreeHead +
           "</p:spTree></p:cSld><p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" accent2=\"accent2\" "
           "accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" accent6=\"accent6\" hlink=\"hlink\" folHlink=\"folHlink\"/>"
           "<p:sldLayoutIdLst><p:sldLayoutId id=\"2147483649\" r:id=\"rId1\"/></p:sldLayoutIdLst>"
           "<p:txStyles><p:titleStyle><a:lvl1pPr><a:defRPr sz=\"4400\"/></a:lvl1pPr></p:titleStyle>"
           "<p:bodyStyle><a:lvl1pPr><a:defRPr sz=\"2800\"/></a:lvl1pPr></p:bodyStyle>"
           "<p:otherStyle><a:lvl1pPr><a:defRPr sz=\"1800\"/></a:lvl1pPr></p:otherStyle></p:txStyles></p:sldMaster>";
}

std::string Layout() {
    return std::string(kXmlDecl) + "<p:sldLayout xmlns:a=\"" + kNsA + "\" xmlns:r=\"" + kNsR + "\" xmlns:p=\"" + kNsP +
           "\" type=\"blank\" preserve=\"1\"><p:cSld name=\"Blank\"><p:spTree>" + kTreeHead +
           "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>";
}

// ---- zip -----------------------------------------------------------------

std::string Zip(const std::vector<Part>& parts) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &err);
    if (!src) Fail("cannot create the package in memory");
    zip_t* za = zip_open_from_source(src, ZIP_TRUNCATE, &err);
    if (!za) {
        zip_source_free(src);
        Fail("cannot create the package in memory");
    }
    zip_source_keep(src);
    for (const auto& p : parts) {
        zip_source_t* data = zip_source_buffer(za, p.bytes.data(), p.bytes.size(), 0);
        zip_int64_t idx = data ? zip_file_add(za, p.name.c_str(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (idx < 0) {
            if (data) zip_source_free(data);
            zip_discard(za);
            zip_source_free(src);
            Fail("cannot add " + p.name + " to the package");
        }
        zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), p.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
        zip_file_set_mtime(za, static_cast<zip_uint64_t>(idx), 315532800 + 86400 * 366, 0); // fixed: same deck, same bytes
    }
    if (zip_close(za) < 0) {
        zip_discard(za);
        zip_source_free(src);
        Fail("cannot write the package");
    }
    std::string out;
    zip_stat_t st;
    if (zip_source_stat(src, &st) == 0 && zip_source_open(src) == 0) {
        out.resize(st.size);
        zip_int64_t n = zip_source_read(src, out.data(), st.size);
        zip_source_close(src);
        if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) out.clear();
    }
    zip_source_free(src);
    if (out.empty()) Fail("cannot write the package");
    return out;
}

} // namespace

std::string Build(const Deck& input) {
    if (input.slides.empty()) Fail("a deck needs at least one slide");
    Deck deck = input;
    Media media(deck.shareMedia);
    std::vector<Part> parts;
    std::string overrides;
    auto override = [&overrides](const std::string& part, const std::string& type) {
        overrides += "<Override PartName=\"/" + part + "\" ContentType=\"application/vnd.openxmlformats-officedocument." + type + "\"/>";
    };

    Rels presRels;
    std::string masterRid = presRels.Add("slideMaster", "slideMasters/slideMaster1.xml");
    std::string sldIds;
    for (size_t i = 0; i < deck.slides.size(); ++i) {
        auto& slide = deck.slides[i];
        std::set<int> used{1};
        CollectIds(slide.shapes, used);
        int next = 2;
        AssignIds(slide.shapes, used, next);
        Rels rels;
        rels.Add("slideLayout", "../slideLayouts/slideLayout1.xml");
        SlideWriter writer(media, rels);
        std::string tree = writer.Tree(slide.shapes);
        std::string xml = SlideOpen() + "<p:cSld><p:spTree>" + kTreeHead + tree +
                          "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr>" + Timing(slide.effects) +
                          "</p:sld>";
        std::string name = "ppt/slides/slide" + std::to_string(i + 1) + ".xml";
        parts.push_back({name, xml});
        parts.push_back({"ppt/slides/_rels/slide" + std::to_string(i + 1) + ".xml.rels", rels.Xml()});
        override(name, "presentationml.slide+xml");
        std::string rid = presRels.Add("slide", "slides/slide" + std::to_string(i + 1) + ".xml");
        sldIds += "<p:sldId id=\"" + std::to_string(256 + i) + "\" r:id=\"" + rid + "\"/>";
    }
    presRels.Add("theme", "theme/theme1.xml");
    presRels.Add("presProps", "presProps.xml");
    presRels.Add("viewProps", "viewProps.xml");
    presRels.Add("tableStyles", "tableStyles.xml");

    std::string pres = std::string(kXmlDecl) + "<p:presentation xmlns:a=\"" + kNsA + "\" xmlns:r=\"" + kNsR + "\" xmlns:p=\"" +
                       kNsP + "\" saveSubsetFonts=\"1\"><p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"" +
                       masterRid + "\"/></p:sldMasterIdLst><p:sldIdLst>" + sldIds + "</p:sldIdLst><p:sldSz cx=\"" +
                       E(deck.widthPt) + "\" cy=\"" + E(deck.heightPt) + "\"/><p:notesSz cx=\"6858000\" cy=\"9144000\"/></p:presentation>";
    parts.push_back({"ppt/presentation.xml", pres});
    parts.push_back({"ppt/_rels/presentation.xml.rels", presRels.Xml()});
    override("ppt/presentation.xml", "presentationml.presentation.main+xml");

    Rels masterRels;
    masterRels.Add("slideLayout", "../slideLayouts/slideLayout1.xml");
    masterRels.Add("theme", "../theme/theme1.xml");
    parts.push_back({"ppt/slideMasters/slideMaster1.xml", Master()});
    parts.push_back({"ppt/slideMasters/_rels/slideMaster1.xml.rels", masterRels.Xml()});
    override("ppt/slideMasters/slideMaster1.xml", "presentationml.slideMaster+xml");
    Rels layoutRels;
    layoutRels.Add("slideMaster", "../slideMasters/slideMaster1.xml");
    parts.push_back({"ppt/slideLayouts/slideLayout1.xml", Layout()});
    parts.push_back({"ppt/slideLayouts/_rels/slideLayout1.xml.rels", layoutRels.Xml()});
    override("ppt/slideLayouts/slideLayout1.xml", "presentationml.slideLayout+xml");
    parts.push_back({"ppt/theme/theme1.xml", Theme()});
    override("ppt/theme/theme1.xml", "theme+xml");
    std::string pns = std::string(" xmlns:a=\"") + kNsA + "\" xmlns:r=\"" + kNsR + "\" xmlns:p=\"" + kNsP + "\"";
    parts.push_back({"ppt/presProps.xml", std::string(kXmlDecl) + "<p:presentationPr" + pns + "/>"});
    override("ppt/presProps.xml", "presentationml.presProps+xml");
    parts.push_back({"ppt/viewProps.xml", std::string(kXmlDecl) + "<p:viewPr" + pns +
                                              "><p:normalViewPr/><p:slideViewPr><p:cSldViewPr><p:cViewPr><p:scale><a:sx n=\"100\" d=\"100\"/><a:sy n=\"100\" d=\"100\"/></p:scale><p:origin x=\"0\" y=\"0\"/></p:cViewPr></p:cSldViewPr></p:slideViewPr></p:viewPr>"});
    override("ppt/viewProps.xml", "presentationml.viewProps+xml");
    parts.push_back({"ppt/tableStyles.xml", std::string(kXmlDecl) + "<a:tblStyleLst xmlns:a=\"" + kNsA +
                                                "\" def=\"{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}\"/>"});
    override("ppt/tableStyles.xml", "presentationml.tableStyles+xml");

    Rels root;
    root.Add("officeDocument", "ppt/presentation.xml");
    std::string defaults = "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    for (const auto& ext : media.exts)
        defaults += "<Default Extension=\"" + ext + "\" ContentType=\"" + ContentTypeOf(ext) + "\"/>";
    std::string types = std::string(kXmlDecl) + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">" +
                        defaults + overrides + "</Types>";

    std::vector<Part> all;
    all.push_back({"[Content_Types].xml", types});
    all.push_back({"_rels/.rels", root.Xml()});
    for (auto& p : parts) all.push_back(std::move(p));
    for (auto& p : media.parts) all.push_back(std::move(p));
    return Zip(all);
}

void Write(const Deck& deck, const std::string& path) {
    std::string bytes = Build(deck);
    if (std::error_code ec = util::WriteFileAtomically(path, bytes))
        Fail("cannot write " + path + ": " + ec.message());
}

Shape Picture(imaging::EncodedImage image, Geometry g, std::string name) {
    Shape s;
    s.kind = Kind::Picture;
    s.image = std::move(image);
    s.geometry = g;
    s.name = std::move(name);
    return s;
}
Shape Rectangle(Geometry g, std::string fill, std::string text) {
    Shape s;
    s.kind = Kind::Rectangle;
    s.geometry = g;
    s.fill = std::move(fill);
    s.text = std::move(text);
    return s;
}
Shape Oval(Geometry g, std::string fill) {
    Shape s = Rectangle(g, std::move(fill));
    s.kind = Kind::Oval;
    return s;
}
Shape TextBox(Geometry g, std::string text) {
    Shape s;
    s.kind = Kind::TextBox;
    s.geometry = g;
    s.text = std::move(text);
    return s;
}
Shape Group(Geometry g, std::vector<Shape> children, std::string name) {
    Shape s;
    s.kind = Kind::Group;
    s.geometry = g;
    s.children = std::move(children);
    s.name = std::move(name);
    return s;
}

// ---- pictures ----------------------------------------------------------

namespace {

using vips::VImage;

// Fractal noise in about -1..1: octaves of Perlin noise.
VImage Fractal(int w, int h, int cell, int octaves, unsigned seed) {
    VImage sum = VImage::perlin(w, h, VImage::option()->set("cell_size", cell)->set("seed", static_cast<int>(seed)));
    double amp = 1, total = 1;
    for (int o = 1; o < octaves && cell > 2; ++o) {
        cell = std::max(2, cell / 2);
        amp *= 0.5;
        total += amp;
        sum = sum + VImage::perlin(w, h, VImage::option()->set("cell_size", cell)->set("seed", static_cast<int>(seed + 97 * o))) * amp;
    }
    return sum / total;
}

VImage Clamp(const VImage& v, double lo, double hi) {
    return (v < lo).ifthenelse(lo, (v > hi).ifthenelse(hi, v));
}

// Small deterministic generator for the drawings.
struct Lcg {
    unsigned long long s;
    unsigned next() { s = s * 6364136223846793005ULL + 1442695040888963407ULL; return static_cast<unsigned>(s >> 33); }
    int in(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<unsigned>(hi - lo + 1)); }
};

std::string Save(VImage im, const char* suffix) {
    void* buf = nullptr;
    size_t len = 0;
    im.write_to_buffer(suffix, &buf, &len);
    std::string out(static_cast<const char*>(buf), len);
    g_free(buf);
    return out;
}

} // namespace

std::string MakePhotoJpeg(int width, int height, unsigned seed, int quality) {
    imaging::EnsureVips();
    if (width <= 0 || height <= 0) Fail("a picture needs pixels");
    try {
        // Broad shapes are made small and enlarged (cheap); grain is made at
        // full size, as a camera's sensor noise and foliage would be.
        const int sw = std::max(8, width / 8), sh = std::max(8, height / 8);
        auto up = [&](const VImage& v) {
            return v.resize(static_cast<double>(width) / sw,
                            VImage::option()->set("vscale", static_cast<double>(height) / sh)
                                ->set("kernel", VIPS_KERNEL_CUBIC));
        };
        const int big = std::max(4, std::max(sw, sh) / 3);
        VImage xyz = VImage::xyz(sw, sh);
        VImage y = xyz[1].cast(VIPS_FORMAT_FLOAT) / static_cast<double>(sh); // 0 top .. 1 bottom
        VImage x = xyz[0].cast(VIPS_FORMAT_FLOAT) / static_cast<double>(sw);
        // A wandering horizon with hills.
        VImage ridge = Fractal(sw, sh, big, 3, seed) * 0.14;
        VImage land = Clamp((y + ridge - (0.45 + 0.1 * ((seed % 7) / 7.0))) * 8.0, 0, 1);
        VImage clouds = Clamp((Fractal(sw, sh, big, 4, seed + 11) + 0.05) * 1.8, 0, 1);
        VImage tex = Fractal(sw, sh, std::max(2, big / 3), 4, seed + 23);
        VImage hue = Fractal(sw, sh, big, 2, seed + 29);
        VImage light = 1.1 - x * 0.3;
        VImage skyR = y * 110 + 70 + clouds * 140, skyG = y * 80 + 120 + clouds * 110, skyB = y * 25 + 205 + clouds * 45;
        VImage gR = light * (95 + tex * 70 + hue * 50), gG = light * (120 + tex * 55 - hue * 20), gB = light * (55 + tex * 30);
        VImage r = up(skyR * (1 - land) + gR * land), g = up(skyG * (1 - land) + gG * land),
               b = up(skyB * (1 - land) + gB * land), ground = up(land);
        // Fine detail: leaves and stones on the ground, a little noise everywhere.
        const int hw = std::max(2, width / 2), hh = std::max(2, height / 2);
        VImage cells = VImage::worley(hw, hh, VImage::option()->set("cell_size", std::max(4, width / 500))->set("seed", static_cast<int>(seed + 41)))
                           .copy_memory();
        cells = (cells / std::max(1.0, cells.max()) - 0.5)
                    .resize(static_cast<double>(width) / hw, VImage::option()->set("vscale", static_cast<double>(height) / hh)
                                                                 ->set("kernel", VIPS_KERNEL_LINEAR));
        VImage grain = VImage::gaussnoise(width, height, VImage::option()->set("sigma", 1.0)->set("mean", 0.0)->set("seed", static_cast<int>(seed + 53)));
        // Evaluated once: each band below reads it.
        VImage detail = (ground * (cells * 70 + grain * 14) + grain * 3).copy_memory();
        VImage rgb = VImage::bandjoin({r + detail, g + detail * 1.1, b + detail * 0.7}).cast(VIPS_FORMAT_UCHAR)
                         .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        VipsBlob* blob = rgb.jpegsave_buffer(VImage::option()->set("Q", quality)->set("strip", true));
        size_t len = 0;
        const void* data = vips_blob_get(blob, &len);
        std::string out(static_cast<const char*>(data), len);
        vips_area_unref(VIPS_AREA(blob));
        return out;
    } catch (const vips::VError& e) {
        Fail(std::string("cannot make a picture: ") + e.what());
    }
}

std::string MakeLineArtPng(int width, int height, unsigned seed) {
    imaging::EnsureVips();
    if (width <= 0 || height <= 0) Fail("a picture needs pixels");
    try {
        VImage im = VImage::black(width, height, VImage::option()->set("bands", 3)).new_from_image({255, 255, 255})
                        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        im = im.copy_memory();
        Lcg rnd{seed * 2654435761ULL + 1};
        const std::vector<std::vector<double>> flat{{255, 230, 153}, {189, 215, 238}, {197, 224, 180}, {248, 203, 173}};
        for (int i = 0; i < 6; ++i) {
            int w = rnd.in(width / 10, width / 3), h = rnd.in(height / 10, height / 3);
            im.draw_rect(flat[i % flat.size()], rnd.in(0, width - w), rnd.in(0, height - h), w, h,
                         VImage::option()->set("fill", true));
        }
        // One-pixel lines and outlines: what JPEG turns grey or white.
        for (int i = 0; i < 40; ++i)
            im.draw_line({0, 0, 0}, rnd.in(0, width - 1), rnd.in(0, height - 1), rnd.in(0, width - 1), rnd.in(0, height - 1));
        for (int i = 0; i < 8; ++i) {
            int rad = rnd.in(std::max(2, width / 40), std::max(3, width / 8));
            im.draw_circle({31, 56, 100}, rnd.in(0, width - 1), rnd.in(0, height - 1), rad);
        }
        for (int gx = 0; gx < width; gx += std::max(8, width / 16)) im.draw_line({128, 128, 128}, gx, 0, gx, height / 8);
        return Save(im, ".png");
    } catch (const vips::VError& e) {
        Fail(std::string("cannot make a picture: ") + e.what());
    }
}

std::string MakeTransparentPng(int width, int height, bool partialAlpha) {
    imaging::EnsureVips();
    try {
        VImage xyz = VImage::xyz(width, height);
        VImage dx = xyz[0] - width / 2.0, dy = xyz[1] - height / 2.0;
        VImage d = (dx * dx + dy * dy).pow(0.5) / (std::min(width, height) / 2.0);
        VImage alpha = partialAlpha ? Clamp((1.0 - d) * 3.0, 0, 1) * 255.0
                                    : (d < 0.8).ifthenelse(255, 0);
        VImage rgb = VImage::bandjoin({xyz[0] * (200.0 / width) + 30, xyz[1] * (150.0 / height) + 60, VImage::black(width, height) + 180});
        VImage rgba = rgb.bandjoin(alpha).cast(VIPS_FORMAT_UCHAR)
                          .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        return Save(rgba, ".png");
    } catch (const vips::VError& e) {
        Fail(std::string("cannot make a picture: ") + e.what());
    }
}

} // namespace quillmax::pptx::deck
