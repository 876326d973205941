// File: platform/pptx/unvisited_pictures.cpp
// The pictures no shape visit reaches: an image part whose every use is a
// background, a shape's picture fill, a picture on a layout or master, or
// the bitmap of an SVG picture (on a slide too: the walk leaves those). A part that anything else uses (a
// slide's picture, notes, charts, themes, legacy drawings, bullets, table
// cells) is left to the shape visits, or alone.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/pptx/imaging.h"
#include "platform/pptx/model.h"
#include "platform/pptx/package_names.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {
namespace {

const std::string kCtSlide = ctype::Of("presentationml.slide+xml");
const std::string kCtLayout = ctype::Of("presentationml.slideLayout+xml");
const std::string kCtMaster = ctype::Of("presentationml.slideMaster+xml");
constexpr const char* kImgPropsUri = "{BEBA8EAE-BF5A-486C-A8C5-ECC9F3942E4B}";

bool HasExt(pugi::xml_node blip, const char* uri) {
    for (auto e : blip.child("a:extLst").children("a:ext"))
        if (std::strcmp(e.attribute("uri").value(), uri) == 0) return true;
    return false;
}

struct Use {
    Part* part;
    std::string rid;
    pugi::xml_node blipFill;
    int kind;
    double widthEmu, heightEmu; // displayed size of the visible area
    bool tiled;
    imaging::Crop crop;
};

// A blip the pass knows how to redo, with where and how large it shows.
std::optional<Use> KnownUse(Part& part, bool onSlide, pugi::xml_node blip, double slideCx,
                            double slideCy) {
    if (!Is(blip, "a:blip") || HasExt(blip, kImgPropsUri)) return std::nullopt;
    pugi::xml_node fill = blip.parent();
    pugi::xml_node holder = fill.parent();
    Use u{&part, blip.attribute("r:embed").value(), fill, 0, 0, 0, !fill.child("a:tile").empty(), {}};
    auto src = fill.child("a:srcRect");
    u.crop = {AttrInt(src, "l") / 100000.0, AttrInt(src, "t") / 100000.0, AttrInt(src, "r") / 100000.0,
              AttrInt(src, "b") / 100000.0};
    auto extOf = [&](pugi::xml_node spPr) {
        auto ext = spPr.child("a:xfrm").child("a:ext");
        u.widthEmu = static_cast<double>(AttrInt(ext, "cx"));
        u.heightEmu = static_cast<double>(AttrInt(ext, "cy"));
    };
    if (Is(fill, "a:blipFill") && Is(holder, "p:bgPr") && Is(holder.parent(), "p:bg")) {
        u.kind = office::ppt::kImageBackground;
        u.widthEmu = slideCx, u.heightEmu = slideCy;
    } else if (Is(fill, "a:blipFill") && Is(holder, "p:spPr") && Is(holder.parent(), "p:sp")) {
        u.kind = office::ppt::kImageFill;
        extOf(holder);
        if (!holder.child("a:xfrm")) u.widthEmu = slideCx, u.heightEmu = slideCy; // inherited: at most the slide
    } else if ((!onSlide || HasExt(blip, kSvgBlipUri)) && Is(fill, "p:blipFill") && Is(holder, "p:pic")) {
        auto nvPr = holder.child("p:nvPicPr").child("p:nvPr");
        for (const char* media : {"a:videoFile", "a:audioFile", "a:wavAudioFile", "a:quickTimeFile"})
            if (nvPr.child(media)) return std::nullopt;
        u.kind = HasExt(blip, kSvgBlipUri) ? office::ppt::kImageSvgFallback : office::ppt::kImageLayout;
        extOf(holder.child("p:spPr"));
    } else {
        return std::nullopt;
    }
    if (!(u.widthEmu > 0) || !(u.heightEmu > 0)) return std::nullopt;
    return u;
}

bool SameCrop(const imaging::Crop& a, const imaging::Crop& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class PictureImageImpl : public office::PictureImage {
public:
    PictureImageImpl(std::weak_ptr<PresentationImpl> pres, Part* image, std::vector<Use> uses)
        : pres_(std::move(pres)), image_(image), uses_(std::move(uses)) {
        cropped_ = !uses_.front().tiled;
        for (auto& u : uses_) {
            if (u.tiled || !SameCrop(u.crop, uses_.front().crop)) cropped_ = false;
            tiled_ = tiled_ || u.tiled;
        }
        // The largest size over every use, of what is rendered: the visible
        // area when every use crops alike, the whole image otherwise.
        for (auto& u : uses_) {
            double fx = 1, fy = 1;
            if (!cropped_) {
                fx = 1 - u.crop.left - u.crop.right;
                fy = 1 - u.crop.top - u.crop.bottom;
                if (!(fx > 0.01) || !(fy > 0.01)) fx = fy = 1;
            }
            widthEmu_ = std::max(widthEmu_, u.widthEmu / fx);
            heightEmu_ = std::max(heightEmu_, u.heightEmu / fy);
        }
    }

    int Kind() override { return uses_.front().kind; }
    double Width() override { return EmuToPt(static_cast<std::int64_t>(widthEmu_)); }
    double Height() override { return EmuToPt(static_cast<std::int64_t>(heightEmu_)); }
    double Bytes() override { return static_cast<double>(Source().bytes.size()); }
    bool Transparent() override { return imaging::HasTransparency(Source()); }

    double Render(double factor, int dataType) override {
        const char* m = "PictureImage.Render";
        imaging::EncodedImage src = Source();
        int w = 0, h = 0;
        imaging::ImageSize(src, w, h);
        imaging::Crop crop = cropped_ ? uses_.front().crop : imaging::Crop{};
        const double visW = w * (1 - crop.left - crop.right), visH = h * (1 - crop.top - crop.bottom);
        if (!(visW >= 1) || !(visH >= 1)) Fail(m, "the picture is cropped away");
        // 96 px per inch of the largest use; a tile keeps its own pixels.
        int tw = static_cast<int>(std::lround(widthEmu_ / 914400.0 * 96.0 * factor));
        int th = static_cast<int>(std::lround(heightEmu_ / 914400.0 * 96.0 * factor));
        if (tiled_ || tw > visW || th > visH)
            tw = static_cast<int>(std::lround(std::min<double>(tiled_ ? visW : tw, visW))),
            th = static_cast<int>(std::lround(std::min<double>(tiled_ ? visH : th, visH)));
        tw = std::max(1, tw), th = std::max(1, th);
        imaging::Rendering r = imaging::Render(src, crop, tw, th);
        auto pres = pres_.lock();
        rendered_ = imaging::Encode(r, dataType, pres && pres->clipboard() ? pres->clipboard()->jpegQuality_ : 0);
        return static_cast<double>(rendered_->bytes.size());
    }

    void Replace() override {
        const char* m = "PictureImage.Replace";
        if (!rendered_) Fail(m, "nothing rendered");
        auto pres = pres_.lock();
        if (!pres || pres->closed) Fail(m, "presentation closed");
        Package& pkg = pres->package();
        const std::string name = pkg.FreeName("/ppt/media/image", rendered_->ext);
        pkg.Add(name, std::move(rendered_->bytes), MediaContentType(rendered_->ext));
        rendered_.reset();
        for (auto& u : uses_) {
            u.part->Rels().SetTarget(u.rid, u.part->RelativeTo(name), false);
            if (cropped_)
                if (auto src = u.blipFill.child("a:srcRect")) u.blipFill.remove_child(src);
            u.part->MarkDirty();
        }
        pres->Touch();
    }

private:
    imaging::EncodedImage Source() {
        imaging::EncodedImage e{image_->ReadBytes(), ExtensionOf(image_->name())};
        if (e.ext == "jpg") e.ext = "jpeg";
        return e;
    }

    std::weak_ptr<PresentationImpl> pres_;
    Part* image_;
    std::vector<Use> uses_;
    bool cropped_ = false, tiled_ = false;
    double widthEmu_ = 0, heightEmu_ = 0;
    std::optional<imaging::EncodedImage> rendered_;
};

bool Redrawable(const std::string& ext) {
    return ext == "png" || ext == "jpeg" || ext == "jpg" || ext == "bmp" || ext == "tif" || ext == "tiff";
}

} // namespace

std::vector<std::shared_ptr<office::PictureImage>> PresentationImpl::UnvisitedPictures() {
    Check("Presentation.UnvisitedPictures");
    Package& pkg = *pkg_;
    const std::string imageRel = reltype::Of("image");
    struct Entry {
        std::vector<Use> uses;
        bool blocked = false;
    };
    std::map<std::string, Entry> byImage; // lower-case image part name
    std::vector<std::string> order;
    auto entryOf = [&](Part* image) -> Entry& {
        const std::string key = LowerAscii(image->name());
        if (!byImage.count(key)) order.push_back(key);
        return byImage[key];
    };
    for (const auto& key : pkg.Reachable()) {
        Part* part = pkg.Find(key);
        if (!part) continue;
        const std::string ct = pkg.ContentType(part->name());
        const bool onSlide = ct == kCtSlide;
        const bool deck = onSlide || ct == kCtLayout || ct == kCtMaster;
        std::map<std::string, Part*> images; // rid -> image part
        for (const auto& r : part->Rels().items()) {
            if (r.external || r.type != imageRel) continue;
            if (Part* img = part->Target(r.id)) {
                images[r.id] = img;
                if (!deck) entryOf(img).blocked = true;
            }
        }
        if (!deck || images.empty()) continue;
        // Every mention of an image relationship must be a use we know.
        ForEachElement(part->Xml(), [&](pugi::xml_node n) {
            for (auto a : n.attributes()) {
                auto it = images.find(a.value());
                if (it == images.end() || std::strncmp(a.name(), "r:", 2) != 0) continue;
                Entry& e = entryOf(it->second);
                std::optional<Use> use;
                if (std::strcmp(a.name(), "r:embed") == 0)
                    use = KnownUse(*part, onSlide, n, static_cast<double>(slideCx), static_cast<double>(slideCy));
                if (use) e.uses.push_back(*use);
                else e.blocked = true;
            }
        });
    }
    std::vector<std::shared_ptr<office::PictureImage>> out;
    for (const auto& key : order) {
        Entry& e = byImage[key];
        Part* image = pkg.Find(key);
        if (e.blocked || e.uses.empty() || !image || !Redrawable(ExtensionOf(image->name()))) continue;
        out.push_back(std::make_shared<PictureImageImpl>(weak_from_this(), image, std::move(e.uses)));
    }
    return out;
}

} // namespace quillmax::pptx
