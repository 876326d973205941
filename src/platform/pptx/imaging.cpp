// File: platform/pptx/imaging.cpp
// Decoding, resampling and encoding of pictures through libvips, and the
// EMF container that carries a bitmap as a metafile picture.
#include "platform/pptx/imaging.h"

#include <vips/vips8>
#include <vips/vector.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "base/errors.h"
#include "platform/pptx/jpeg_decode.h"
#include "platform/pptx/metafile.h"
#include "platform/pptx/office_renderer.h"
#include "platform/pptx/similarity.h"

namespace quillmax::pptx::imaging {

using office::AutomationError;

namespace {

[[noreturn]] void Fail(const std::string& message) { throw AutomationError("Picture", message); }

// A vips error message, trimmed to its first line.
std::string VipsMessage(const vips::VError& e) {
    std::string s = e.what();
    if (auto nl = s.find('\n'); nl != std::string::npos) s.resize(nl);
    vips_error_clear();
    return s;
}

// Owns a VipsBlob over borrowed bytes (no copy; the bytes outlive it).
class Blob {
public:
    Blob(const std::string& bytes) : blob_(vips_blob_new(nullptr, bytes.data(), bytes.size())) {}
    ~Blob() { vips_area_unref(VIPS_AREA(blob_)); }
    Blob(const Blob&) = delete;
    Blob& operator=(const Blob&) = delete;
    VipsBlob* get() const { return blob_; }

private:
    VipsBlob* blob_;
};

std::string TakeBlob(VipsBlob* blob) {
    size_t len = 0;
    const void* data = vips_blob_get(blob, &len);
    std::string out(static_cast<const char*>(data), len);
    vips_area_unref(VIPS_AREA(blob));
    return out;
}

void CheckSourceSize(int w, int h) {
    if (w <= 0 || h <= 0) Fail("the picture has no pixels");
    if (w > kMaxSourceSide || h > kMaxSourceSide ||
        static_cast<double>(w) * h > kMaxSourcePixels)
        Fail("the picture is too large to decode (" + std::to_string(w) + " x " +
             std::to_string(h) + " pixels)");
}

void CheckTargetSize(int w, int h) {
    if (w <= 0 || h <= 0) Fail("the rendering has no pixels");
    if (w > kMaxRenderSide || h > kMaxRenderSide) Fail("the rendering is too large");
}

// Pixel numbers mean what the embedded colour profile says (Display P3 from
// phones, Adobe RGB from cameras, CMYK from print); they are turned into
// sRGB numbers here, before encoding strips the profile.
vips::VImage ToSrgbColours(vips::VImage im) {
    if (!vips_icc_present() || im.get_typeof(VIPS_META_ICC_NAME) == 0) return im;
    try {
        auto out = im.icc_transform("srgb", vips::VImage::option()
                                                ->set("embedded", true)
                                                ->set("intent", VIPS_INTENT_RELATIVE)
                                                ->set("depth", 8))
                       .copy();
        out.remove(VIPS_META_ICC_NAME); // done once
        return out;
    } catch (const vips::VError&) {
        // A broken profile: the numbers as they are, as viewers show them.
        vips_error_clear();
        return im;
    }
}

// The picture's numbers need a profile to mean a colour: one is embedded,
// or they are CMYK.
bool ColourManaged(const EncodedImage& image) {
    if (!vips_icc_present()) return false;
    try {
        auto header = vips::VImage::new_from_buffer(image.bytes, "");
        return header.get_typeof(VIPS_META_ICC_NAME) != 0 || header.interpretation() == VIPS_INTERPRETATION_CMYK;
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
}

// 8-bit sRGB with alpha, whatever the source's bands and depth.
vips::VImage ToSrgba(vips::VImage im) {
    im = ToSrgbColours(im);
    if (im.interpretation() != VIPS_INTERPRETATION_sRGB || im.format() != VIPS_FORMAT_UCHAR)
        im = im.colourspace(VIPS_INTERPRETATION_sRGB);
    if (im.format() != VIPS_FORMAT_UCHAR) im = im.cast(VIPS_FORMAT_UCHAR);
    if (im.bands() == 1) im = vips::VImage::bandjoin({im, im, im});
    if (im.bands() == 2) im = vips::VImage::bandjoin({im[0], im[0], im[0], im[1]});
    if (im.bands() == 3) im = im.bandjoin_const({255});
    if (im.bands() > 4) im = im.extract_band(0, vips::VImage::option()->set("n", 4));
    return im;
}

// The image library's warnings (a damaged JPEG, an odd profile) are about
// the input, which the layer already judges; they are for a developer's
// eye only (QUILLMAX_DEBUG set), never raw text on the user's terminal.
void LibraryMessage(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
    if (std::getenv("QUILLMAX_DEBUG"))
        std::fprintf(stderr, "[debug] %s-%s: %s\n", domain ? domain : "", (level & G_LOG_LEVEL_WARNING) ? "WARNING" : "INFO",
                     message ? message : "");
}

} // namespace

void EnsureVips() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (VIPS_INIT("quillmax")) throw AutomationError("Picture", "the image library failed to start");
        const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO |
                                                        G_LOG_LEVEL_DEBUG | G_LOG_FLAG_RECURSION);
        for (const char* domain : {"VIPS", "GLib-GObject", "GLib", "librsvg", "Rsvg"})
            g_log_set_handler(domain, levels, LibraryMessage, nullptr);
        // Only the loaders a deck's pictures need; rsvg stays for metafiles.
        vips_block_untrusted_set(TRUE);
        vips_operation_block_set("VipsForeignLoadSvg", FALSE);
        // Each picture is rendered once; a cache would only hold memory.
        vips_cache_set_max(0);
        // The vector code libvips compiles at run time (liborc) is not safe
        // with pictures rendered on several threads at once: a run died in
        // liborc, two threads at one instruction. The plain code is a few
        // per cent slower and rounds a little differently.
        vips_vector_set_enabled(FALSE);
    });
}

bool IsMetafile(const std::string& ext) {
    return ext == "emf" || ext == "wmf" || ext == "emz" || ext == "wmz";
}

// A metafile's size from its header; for a WMF that declares none, the
// size the office helper gives it. libwmf's guess for such a file is a
// third larger (read where its fonts are installed) and stands in only
// without the office.
static void MetafileSize(const EncodedImage& image, int& width, int& height) {
    if (metafile::DeclaresSize(image.bytes) || metafile::Sniff(image.bytes) != metafile::Kind::Wmf ||
        !office_renderer::Available()) {
        metafile::PixelSize(image.bytes, width, height);
        return;
    }
    metafile::CheckStructure(image.bytes);
    std::string why;
    if (!office_renderer::NaturalSize(image.bytes, "wmf", width, height, why)) Fail("cannot render metafile: " + why);
}

void ImageSize(const EncodedImage& image, int& width, int& height) {
    EnsureVips();
    if (IsMetafile(image.ext)) {
        MetafileSize(image, width, height);
        return;
    }
    try {
        auto im = vips::VImage::new_from_buffer(image.bytes, "",
            vips::VImage::option()->set("fail_on", VIPS_FAIL_ON_ERROR));
        width = im.width();
        height = im.height();
    } catch (const vips::VError& e) {
        Fail("cannot read the picture: " + VipsMessage(e));
    }
}

static Rendering FromImage(vips::VImage im) {
    im = ToSrgba(im);
    Rendering r;
    r.width = im.width();
    r.height = im.height();
    r.rgba.resize(static_cast<size_t>(r.width) * r.height * 4);
    size_t len = 0;
    void* mem = im.write_to_memory(&len);
    if (len != r.rgba.size()) {
        g_free(mem);
        Fail("unexpected pixel layout");
    }
    std::memcpy(r.rgba.data(), mem, len);
    g_free(mem);
    for (size_t i = 3; i < r.rgba.size(); i += 4) {
        std::uint8_t a = r.rgba[i];
        if (a != 255) {
            r.anyTransparent = true;
            if (a != 0) {
                r.partialAlpha = true;
                break;
            }
        }
    }
    return r;
}

// The visible area of a w x h source: in source pixels, may reach outside
// it where the crop is negative.
struct Area {
    double x0, y0, x1, y1;
};

static Area VisibleArea(const Crop& crop, int w, int h) {
    Area a{crop.left * w, crop.top * h, w - crop.right * w, h - crop.bottom * h};
    if (!(a.x1 - a.x0 > 1e-6) || !(a.y1 - a.y0 > 1e-6)) Fail("the picture is cropped away");
    return a;
}

// Places the scaled full image `full` (scale sx, sy from source pixels)
// so that the area shows exactly widthPx x heightPx; outside the source is
// transparent.
static vips::VImage CutArea(vips::VImage full, const Area& a, double sx, double sy, int widthPx,
                            int heightPx) {
    full = ToSrgba(full);
    // Residual scale after the integer-sized shrink, then a sub-pixel shift.
    double fx = widthPx / ((a.x1 - a.x0) * sx);
    double fy = heightPx / ((a.y1 - a.y0) * sy);
    double ox = -a.x0 * sx * fx, oy = -a.y0 * sy * fy;
    if (std::abs(fx - 1) < 1e-9 && std::abs(fy - 1) < 1e-9 && std::abs(ox - std::round(ox)) < 1e-6 &&
        std::abs(oy - std::round(oy)) < 1e-6) {
        int ix = static_cast<int>(std::lround(ox)), iy = static_cast<int>(std::lround(oy));
        if (ix <= 0 && iy <= 0 && -ix + widthPx <= full.width() && -iy + heightPx <= full.height())
            return full.extract_area(-ix, -iy, widthPx, heightPx);
        return full.embed(ix, iy, widthPx, heightPx,
                          vips::VImage::option()->set("extend", VIPS_EXTEND_BACKGROUND)
                              ->set("background", std::vector<double>{0, 0, 0, 0}));
    }
    // Resample in premultiplied form so transparent edges do not darken.
    auto pre = full.premultiply();
    auto moved = pre.affine({fx, 0, 0, fy},
        vips::VImage::option()
            ->set("interpolate", vips::VInterpolate::new_from_name("bicubic"))
            ->set("oarea", std::vector<int>{0, 0, widthPx, heightPx})
            ->set("odx", ox)
            ->set("ody", oy)
            ->set("extend", VIPS_EXTEND_BACKGROUND)
            ->set("background", std::vector<double>{0, 0, 0, 0}));
    return moved.unpremultiply().cast(VIPS_FORMAT_UCHAR);
}

// A drawn metafile cut to its visible area; one that draws nothing there
// is refused rather than pasted as an empty picture.
static Rendering MetafileRendering(const vips::VImage& full, const Area& a, double sx, double sy, int widthPx,
                                   int heightPx) {
    Rendering r = FromImage(CutArea(full, a, sx, sy, widthPx, heightPx));
    r.fromMetafile = true;
    bool visible = false;
    for (size_t i = 3; i < r.rgba.size() && !visible; i += 4) visible = r.rgba[i] != 0;
    if (!visible) Fail("cannot render metafile: it draws nothing visible");
    return r;
}

// How many times the size the helper draws a metafile before it is
// averaged down: at the size itself LibreOffice snaps glyphs and bitmap
// edges to pixels (differently with the page it draws) and shrinks scans
// without smoothing; 4 times, averaged, matches its drawing at 8 times.
// The drawing's time grows with its pixels (a 1200 x 769 one: 0.15 s at
// 1x, 0.4 s at 2x, 2.5 s at 4x): large pictures, whose pixels matter
// least, are drawn at fewer times their size.
static int SupersampleFactor(int widthPx, int heightPx) {
    constexpr double kMaxSupersampledPixels = 4.5e6;
    const double k = std::sqrt(kMaxSupersampledPixels / (static_cast<double>(widthPx) * heightPx));
    return std::clamp(static_cast<int>(k), 1, 4);
}

// The helper's drawing at several times widthPx x heightPx, averaged down
// in premultiplied form (transparent edges do not darken).
static vips::VImage AveragedDown(vips::VImage drawn, int widthPx, int heightPx) {
    drawn = ToSrgba(drawn);
    if (drawn.width() <= widthPx && drawn.height() <= heightPx) return drawn;
    auto pre = drawn.premultiply().shrink(static_cast<double>(drawn.width()) / widthPx,
                                          static_cast<double>(drawn.height()) / heightPx);
    return (pre.unpremultiply() + 0.5).cast(VIPS_FORMAT_UCHAR);
}

// A metafile drawn by the office helper: the whole frame at the scale that
// gives the visible area widthPx x heightPx, then cut like a bitmap.
static Rendering RenderThroughOffice(const EncodedImage& image, const Crop& crop, int widthPx,
                                     int heightPx) {
    const metafile::Kind kind = metafile::Sniff(image.bytes);
    if (kind == metafile::Kind::None) Fail("cannot render metafile: not an EMF or WMF picture");
    metafile::CheckStructure(image.bytes);
    int natW = 0, natH = 0;
    MetafileSize(image, natW, natH);
    Area a{crop.left * natW, crop.top * natH, natW - crop.right * natW, natH - crop.bottom * natH};
    if (!(a.x1 - a.x0 > 1e-6) || !(a.y1 - a.y0 > 1e-6)) Fail("the picture is cropped away");
    const double sx = widthPx / (a.x1 - a.x0), sy = heightPx / (a.y1 - a.y0);
    const int fullW = std::max(1, static_cast<int>(std::lround(natW * sx)));
    const int fullH = std::max(1, static_cast<int>(std::lround(natH * sy)));
    if (static_cast<double>(fullW) * fullH > office_renderer::kMaxPixels)
        Fail("cannot render metafile: the visible area is too small to render at this size");
    const int k = SupersampleFactor(fullW, fullH);
    std::string why;
    auto png = office_renderer::RenderPng(image.bytes, kind == metafile::Kind::Emf ? "emf" : "wmf", fullW * k,
                                          fullH * k, why);
    if (!png) Fail("cannot render metafile: " + why);
    try {
        auto full = AveragedDown(
            vips::VImage::new_from_buffer(*png, "", vips::VImage::option()->set("fail_on", VIPS_FAIL_ON_ERROR)), fullW,
            fullH);
        return MetafileRendering(full, a, static_cast<double>(full.width()) / natW,
                                 static_cast<double>(full.height()) / natH, widthPx, heightPx);
    } catch (const vips::VError& e) {
        Fail("cannot render metafile: " + VipsMessage(e));
    }
    return {};
}

// A metafile drawn through its SVG form at the rendering's scale.
static Rendering RenderThroughSvg(const EncodedImage& image, const Crop& crop, int widthPx, int heightPx) {
    // The converters run in this process and cannot be stopped once started.
    size_t records = 0;
    try {
        records = metafile::CheckStructure(image.bytes);
    } catch (const AutomationError&) {
        // Damage is the converters' to judge, as before.
    }
    if (records > kMaxConverterRecords)
        Fail("cannot render metafile: it has too many records to draw without a time limit");
    double svgW = 0, svgH = 0;
    std::string svg = metafile::ToSvg(image.bytes, svgW, svgH);
    Area a{crop.left * svgW, crop.top * svgH, svgW - crop.right * svgW, svgH - crop.bottom * svgH};
    if (!(a.x1 - a.x0 > 1e-6) || !(a.y1 - a.y0 > 1e-6)) Fail("the picture is cropped away");
    double sx = widthPx / (a.x1 - a.x0), sy = heightPx / (a.y1 - a.y0);
    double scale = std::max(sx, sy);
    if (svgW * scale * svgH * scale > kMaxIntermediatePixels)
        Fail("cannot render metafile: the visible area is too small to render at this size");
    try {
        Blob blob(svg);
        auto opts = vips::VImage::option()->set("scale", scale);
        // Our own converter's output; the default cap is for untrusted SVG.
        if (svg.size() > (10u << 20)) opts->set("unlimited", true);
        auto full = vips::VImage::svgload_buffer(blob.get(), opts);
        return MetafileRendering(full, a, full.width() / svgW, full.height() / svgH, widthPx, heightPx);
    } catch (const vips::VError& e) {
        Fail("cannot render metafile: " + VipsMessage(e));
    }
    return {};
}

// Measured on the corpus, the office helper draws metafiles far more
// faithfully than the converters. An EMF that only shows one bitmap is a
// picture: the converters resample it smoothly, as every picture is
// resampled, need no office and take half the time; on the corpus's scan
// they come within the bar of LibreOffice's own drawing (SSIM 0.953, the
// helper 0.968), and the slide shows them as close to the input's as the
// helper's (0.920, the helper 0.919).
// Where the helper is not installed, the converters stand in behind their
// guard.
MetafileRenderer ChosenMetafileRenderer(const EncodedImage& image) {
    if (!office_renderer::Available()) return MetafileRenderer::Converters;
    try {
        if (metafile::IsPlainBitmap(image.bytes)) return MetafileRenderer::Converters;
    } catch (const AutomationError&) {
    }
    return MetafileRenderer::Office;
}

Rendering RenderMetafile(const EncodedImage& image, const Crop& crop, int widthPx, int heightPx,
                         MetafileRenderer renderer) {
    EnsureVips();
    CheckTargetSize(widthPx, heightPx);
    if (image.ext == "emz" || image.ext == "wmz") Fail("cannot render metafile: compressed metafiles are not supported");
    if (image.bytes.size() > metafile::kMaxMetafileBytes) Fail("cannot render metafile: the metafile is too large");
    if (renderer == MetafileRenderer::Best) renderer = ChosenMetafileRenderer(image);
    if (renderer == MetafileRenderer::Office) return RenderThroughOffice(image, crop, widthPx, heightPx);
    return RenderThroughSvg(image, crop, widthPx, heightPx);
}

Rendering Render(const EncodedImage& image, const Crop& crop, int widthPx, int heightPx) {
    EnsureVips();
    CheckTargetSize(widthPx, heightPx);
    if (IsMetafile(image.ext)) return RenderMetafile(image, crop, widthPx, heightPx, MetafileRenderer::Best);
    int w = 0, h = 0;
    ImageSize(image, w, h);
    CheckSourceSize(w, h);
    Area a = VisibleArea(crop, w, h);
    double sx = widthPx / (a.x1 - a.x0), sy = heightPx / (a.y1 - a.y0);
    // The whole source at the rendering's scale, decoded with shrink-on-load.
    int fullW = std::max(1, static_cast<int>(std::ceil(w * sx - 1e-9)));
    int fullH = std::max(1, static_cast<int>(std::ceil(h * sy - 1e-9)));
    if (static_cast<double>(fullW) * fullH > kMaxIntermediatePixels)
        Fail("the visible area of the picture is too small to render at this size");
    const bool cropped = crop.left != 0 || crop.top != 0 || crop.right != 0 || crop.bottom != 0;
    if (!cropped && widthPx == w && heightPx == h)
        if (auto asStored = DecodeJpegAsStored(image.bytes, w, h)) return std::move(*asStored);
    try {
        // Colour-managed pictures take the decoding path below, which turns
        // them into sRGB through their own profile (the thumbnailer's CMYK
        // handling differs by several units).
        if (!cropped && !ColourManaged(image)) {
            Blob blob(image.bytes);
            auto full = vips::VImage::thumbnail_buffer(blob.get(), fullW,
                vips::VImage::option()
                    ->set("height", fullH)
                    ->set("size", VIPS_SIZE_FORCE)
                    ->set("no_rotate", true)
                    ->set("option_string", "fail_on=error"));
            double rsx = static_cast<double>(full.width()) / w, rsy = static_cast<double>(full.height()) / h;
            return FromImage(CutArea(full, a, rsx, rsy, widthPx, heightPx));
        }
        // Decode (JPEG shrinking on load), cut the visible area out, then
        // resample only it, so nothing beyond the crop bleeds in.
        int shrink = 1;
        const bool jpeg = image.bytes.size() > 2 && static_cast<unsigned char>(image.bytes[0]) == 0xFF &&
                          static_cast<unsigned char>(image.bytes[1]) == 0xD8;
        if (jpeg)
            for (int s : {8, 4, 2})
                if ((a.x1 - a.x0) / s >= widthPx && (a.y1 - a.y0) / s >= heightPx) {
                    shrink = s;
                    break;
                }
        std::string opts = "fail_on=error";
        if (shrink > 1) opts += ",shrink=" + std::to_string(shrink);
        auto src = ToSrgba(vips::VImage::new_from_buffer(image.bytes, opts.c_str()));
        double k = static_cast<double>(src.width()) / w; // loaded pixels per source pixel
        double x0 = std::max(0.0, a.x0 * k), y0 = std::max(0.0, a.y0 * k);
        double x1 = std::min<double>(src.width(), a.x1 * k), y1 = std::min<double>(src.height(), a.y1 * k);
        double scaleX = widthPx / ((a.x1 - a.x0) * k), scaleY = heightPx / ((a.y1 - a.y0) * k);
        vips::VImage out;
        if (x1 - x0 < 1e-6 || y1 - y0 < 1e-6) {
            out = vips::VImage::black(widthPx, heightPx, vips::VImage::option()->set("bands", 4))
                      .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        } else {
            int bx0 = static_cast<int>(std::floor(x0)), by0 = static_cast<int>(std::floor(y0));
            int bx1 = static_cast<int>(std::ceil(x1 - 1e-9)), by1 = static_cast<int>(std::ceil(y1 - 1e-9));
            auto box = src.extract_area(bx0, by0, bx1 - bx0, by1 - by0);
            auto pre = box.premultiply().resize(scaleX, vips::VImage::option()->set("vscale", scaleY));
            auto scaled = pre.unpremultiply().cast(VIPS_FORMAT_UCHAR);
            // Where the area starts in the scaled box (negative: clear margin).
            int ox = static_cast<int>(std::lround((bx0 - a.x0 * k) * scaleX));
            int oy = static_cast<int>(std::lround((by0 - a.y0 * k) * scaleY));
            bool extends = crop.left < 0 || crop.top < 0 || crop.right < 0 || crop.bottom < 0;
            out = scaled.embed(ox, oy, widthPx, heightPx,
                               vips::VImage::option()
                                   ->set("extend", extends ? VIPS_EXTEND_BACKGROUND : VIPS_EXTEND_COPY)
                                   ->set("background", std::vector<double>{0, 0, 0, 0}));
        }
        return FromImage(out);
    } catch (const vips::VError& e) {
        Fail("cannot render the picture: " + VipsMessage(e));
    }
    return {};
}

static vips::VImage ToVips(const Rendering& r) {
    if (r.width <= 0 || r.height <= 0 ||
        r.rgba.size() != static_cast<size_t>(r.width) * r.height * 4)
        Fail("the rendering is empty");
    return vips::VImage::new_from_memory(const_cast<std::uint8_t*>(r.rgba.data()), r.rgba.size(),
                                         r.width, r.height, 4, VIPS_FORMAT_UCHAR)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// Transparent pictures (exported slides' cut-outs, logos) often have few
// colours: a palette PNG through libimagequant is kept when it is smaller
// and still looks the same (SSIM against the full rendering).
static EncodedImage SmallerPalettePng(const vips::VImage& im, const Rendering& rendering,
                                      EncodedImage full) {
    try {
        VipsBlob* blob = im.pngsave_buffer(vips::VImage::option()
                                               ->set("compression", kPngEffort)
                                               ->set("palette", true)
                                               ->set("strip", true));
        EncodedImage palette{TakeBlob(blob), "png"};
        if (palette.bytes.size() >= full.bytes.size()) return full;
        Rendering back = FromImage(vips::VImage::new_from_buffer(palette.bytes, ""));
        if (Ssim(rendering, back) >= kSameLookSsim) return palette;
    } catch (const vips::VError& e) {
        VipsMessage(e);
    } catch (const AutomationError&) {
    }
    return full;
}

EncodedImage Encode(const Rendering& rendering, int dataType, int jpegQuality) {
    EnsureVips();
    try {
        switch (dataType) {
        case kPasteMetafile:
            return {WrapInEmf(rendering), "emf"};
        case kPasteGif: {
            if (rendering.partialAlpha) Fail("GIF cannot carry partly transparent pixels");
            auto im = ToVips(rendering);
            if (!rendering.anyTransparent) im = im.extract_band(0, vips::VImage::option()->set("n", 3));
            VipsBlob* blob = im.gifsave_buffer(vips::VImage::option()->set("strip", true));
            return {TakeBlob(blob), "gif"};
        }
        case kPasteJpeg: {
            if (rendering.anyTransparent) Fail("JPEG cannot carry transparent pixels");
            auto im = ToVips(rendering).extract_band(0, vips::VImage::option()->set("n", 3));
            VipsBlob* blob = im.jpegsave_buffer(vips::VImage::option()
                                                    ->set("Q", jpegQuality > 0 ? jpegQuality : kJpegQuality)
                                                    ->set("optimize_coding", true)
                                                    ->set("strip", true));
            return {TakeBlob(blob), "jpeg"};
        }
        case kPastePng: {
            auto im = ToVips(rendering);
            if (!rendering.anyTransparent) im = im.extract_band(0, vips::VImage::option()->set("n", 3));
            VipsBlob* blob = im.pngsave_buffer(vips::VImage::option()
                                                   ->set("compression", kPngEffort)
                                                   ->set("strip", true));
            EncodedImage full{TakeBlob(blob), "png"};
            if (rendering.anyTransparent) return SmallerPalettePng(im, rendering, std::move(full));
            return full;
        }
        default:
            Fail("unknown paste data type " + std::to_string(dataType));
        }
    } catch (const vips::VError& e) {
        Fail("cannot encode the picture: " + VipsMessage(e));
    }
    return {};
}

bool HasTransparency(const EncodedImage& image) {
    EnsureVips();
    if (IsMetafile(image.ext)) return true; // drawn on a clear ground
    try {
        auto im = vips::VImage::new_from_buffer(image.bytes, "",
            vips::VImage::option()->set("fail_on", VIPS_FAIL_ON_ERROR));
        if (!im.has_alpha()) return false;
        return ToSrgba(im).extract_band(3).min() < 255;
    } catch (const vips::VError& e) {
        Fail("cannot read the picture: " + VipsMessage(e));
    }
}

EncodedImage MetafileFor(const EncodedImage& source, const Rendering& rendering) {
    if (IsMetafile(source.ext)) return source;
    return Encode(rendering, kPasteMetafile);
}

office::Raster ToRaster(const Rendering& rendering) {
    office::Raster out;
    out.width = rendering.width;
    out.height = rendering.height;
    size_t n = static_cast<size_t>(rendering.width) * rendering.height;
    if (rendering.rgba.size() < n * 4) return {};
    out.pixels.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = &rendering.rgba[i * 4];
        unsigned a = p[3];
        auto over = [a](unsigned c) { return (c * a + 255 * (255 - a) + 127) / 255; };
        out.pixels[i] = (over(p[0]) << 16) | (over(p[1]) << 8) | over(p[2]);
    }
    return out;
}

// ---- the EMF container -----------------------------------------------------

namespace {

class Writer {
public:
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void u16(std::uint16_t v) {
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>(v >> 8));
    }
    void f32(float f) {
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        u32(v);
    }
    void rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        i32(l), i32(t), i32(r), i32(b);
    }
    void patch32(size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    std::string s;
};

constexpr std::uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrStretchDiBits = 81, kEmrAlphaBlend = 114;

void BitmapInfoHeader(Writer& w, int width, int height, int bpp, std::uint32_t imageBytes) {
    w.u32(40);
    w.i32(width);
    w.i32(height); // positive: rows bottom-up, as every reader expects
    w.u16(1);
    w.u16(static_cast<std::uint16_t>(bpp));
    w.u32(0); // BI_RGB
    w.u32(imageBytes);
    w.i32(3780), w.i32(3780); // 96 dpi in pixels per metre
    w.u32(0), w.u32(0);
}

} // namespace

std::string WrapInEmf(const Rendering& r) {
    if (r.width <= 0 || r.height <= 0 ||
        r.rgba.size() != static_cast<size_t>(r.width) * r.height * 4)
        Fail("the rendering is empty");
    const int w = r.width, h = r.height;
    const bool alpha = r.anyTransparent;
    const int bpp = alpha ? 32 : 24;
    const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    const size_t bits = stride * h;
    if (bits > 0x7FFFFFF0u) Fail("the rendering is too large for a metafile");

    Writer out;
    // Header: a 96 dpi reference device; frame in 0.01 mm.
    const std::int32_t frameW = static_cast<std::int32_t>(std::lround(w * 2540.0 / 96.0));
    const std::int32_t frameH = static_cast<std::int32_t>(std::lround(h * 2540.0 / 96.0));
    out.u32(kEmrHeader);
    out.u32(108);
    out.rect(0, 0, w - 1, h - 1);
    out.rect(0, 0, frameW - 1, frameH - 1);
    out.u32(0x464D4520); // " EMF"
    out.u32(0x00010000);
    const size_t nBytesAt = out.s.size();
    out.u32(0);                       // nBytes, patched below
    out.u32(3);                       // nRecords
    out.u16(1), out.u16(0);           // nHandles (slot 0 is reserved), reserved
    out.u32(0), out.u32(0), out.u32(0); // description, palette
    out.i32(960), out.i32(960);       // szlDevice: 960 px ...
    out.i32(254), out.i32(254);       // ... are 254 mm at 96 dpi
    out.u32(0), out.u32(0), out.u32(0); // no pixel format, no OpenGL
    out.i32(254000), out.i32(254000); // szlMicrometers

    const size_t recStart = out.s.size();
    if (!alpha) {
        const std::uint32_t fixed = 80, bmi = 40;
        out.u32(kEmrStretchDiBits);
        out.u32(static_cast<std::uint32_t>(fixed + bmi + bits));
        out.rect(0, 0, w - 1, h - 1);
        out.i32(0), out.i32(0);          // xDest, yDest
        out.i32(0), out.i32(0);          // xSrc, ySrc
        out.i32(w), out.i32(h);          // cxSrc, cySrc
        out.u32(fixed), out.u32(bmi);    // offBmiSrc, cbBmiSrc
        out.u32(fixed + bmi);            // offBitsSrc
        out.u32(static_cast<std::uint32_t>(bits));
        out.u32(0);                      // DIB_RGB_COLORS
        out.u32(0x00CC0020);             // SRCCOPY
        out.i32(w), out.i32(h);          // cxDest, cyDest
    } else {
        const std::uint32_t fixed = 108, bmi = 40;
        out.u32(kEmrAlphaBlend);
        out.u32(static_cast<std::uint32_t>(fixed + bmi + bits));
        out.rect(0, 0, w - 1, h - 1);
        out.i32(0), out.i32(0), out.i32(w), out.i32(h); // dest
        out.u32(0x01FF0000); // AC_SRC_OVER, constant alpha 255, AC_SRC_ALPHA
        out.i32(0), out.i32(0);                         // xSrc, ySrc
        out.f32(1), out.f32(0), out.f32(0), out.f32(1), out.f32(0), out.f32(0);
        out.u32(0);                                     // crBkColorSrc
        out.u32(0);                                     // DIB_RGB_COLORS
        out.u32(fixed), out.u32(bmi), out.u32(fixed + bmi);
        out.u32(static_cast<std::uint32_t>(bits));
        out.i32(w), out.i32(h); // cxSrc, cySrc
    }
    BitmapInfoHeader(out, w, alpha ? h : h, bpp, static_cast<std::uint32_t>(bits));
    // Pixels, bottom row first, BGR(A); alpha premultiplied as AlphaBlend wants.
    std::string row(stride, '\0');
    for (int y = h - 1; y >= 0; --y) {
        const std::uint8_t* p = &r.rgba[static_cast<size_t>(y) * w * 4];
        for (int x = 0; x < w; ++x, p += 4) {
            if (alpha) {
                unsigned a = p[3];
                row[x * 4 + 0] = static_cast<char>((p[2] * a + 127) / 255);
                row[x * 4 + 1] = static_cast<char>((p[1] * a + 127) / 255);
                row[x * 4 + 2] = static_cast<char>((p[0] * a + 127) / 255);
                row[x * 4 + 3] = static_cast<char>(a);
            } else {
                row[x * 3 + 0] = static_cast<char>(p[2]);
                row[x * 3 + 1] = static_cast<char>(p[1]);
                row[x * 3 + 2] = static_cast<char>(p[0]);
            }
        }
        out.s += row;
    }
    (void)recStart;
    out.u32(kEmrEof);
    out.u32(20);
    out.u32(0), out.u32(16), out.u32(20);
    out.patch32(nBytesAt, static_cast<std::uint32_t>(out.s.size()));
    return std::move(out.s);
}

} // namespace quillmax::pptx::imaging
