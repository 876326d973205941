// File: platform/pptx/metafile.cpp
// EMF -> SVG through libemf2svg, WMF -> SVG through libwmf's SVG device,
// and the guard that refuses what those converters render wrongly.
#include "platform/pptx/metafile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <regex>

#include "base/errors.h"

#if QUILLMAX_HAVE_EMF2SVG
#include <emf2svg.h>
#endif
#if QUILLMAX_HAVE_LIBWMF
#include <libwmf/api.h>
#include <libwmf/svg.h>
#endif

namespace quillmax::pptx::metafile {

namespace {

[[noreturn]] void Fail(const std::string& why) {
    throw office::AutomationError("Picture", "cannot render metafile: " + why);
}

std::uint32_t Le32(const std::string& b, size_t at) {
    if (at + 4 > b.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t Ls32(const std::string& b, size_t at) { return static_cast<std::int32_t>(Le32(b, at)); }
std::uint16_t Le16(const std::string& b, size_t at) {
    if (at + 2 > b.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::int16_t Ls16(const std::string& b, size_t at) { return static_cast<std::int16_t>(Le16(b, at)); }

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

// The canvas size an SVG's root element declares.
void SvgCanvas(const std::string& svg, double& w, double& h) {
    static const std::regex root(R"re(<svg\b[^>]*?\swidth="([0-9.]+)[a-z]*"[^>]*?\sheight="([0-9.]+)[a-z]*")re");
    std::smatch m;
    auto end = svg.size() > 4096 ? svg.begin() + 4096 : svg.end();
    std::string head(svg.begin(), end);
    if (!std::regex_search(head, m, root)) Fail("the converter produced no picture");
    w = std::atof(m[1].str().c_str());
    h = std::atof(m[2].str().c_str());
    if (!(w > 0 && h > 0)) Fail("the converter produced an empty picture");
}

// True when the SVG draws anything at all (a path, shape, text or image).
bool SvgDrawsSomething(const std::string& svg) {
    for (const char* tag : {"<path", "<rect", "<ellipse", "<circle", "<polygon", "<polyline",
                            "<line", "<text", "<image"})
        if (svg.find(tag) != std::string::npos) return true;
    return false;
}

#if QUILLMAX_HAVE_EMF2SVG
std::string EmfToSvg(const std::string& bytes, double naturalW) {
    generatorOptions opts{};
    char ns[] = "";
    opts.nameSpace = ns;
    opts.verbose = false;
    // EMF+ dual files carry GDI records too; libemf2svg draws those more
    // faithfully than its partial EMF+ support.
    opts.emfplus = false;
    opts.svgDelimiter = true;
    opts.imgWidth = naturalW;
    opts.imgHeight = 0;
    char* out = nullptr;
    size_t outLen = 0;
    std::string copy = bytes; // the converter takes a mutable buffer
    int ok = emf2svg(copy.data(), copy.size(), &out, &outLen, &opts);
    std::string svg;
    if (out) {
        svg.assign(out, outLen);
        std::free(out);
    }
    if (!ok || svg.empty()) Fail("the EMF could not be converted");
    return svg;
}
#endif

constexpr std::uint32_t kSrcCopy = 0x00CC0020;

[[noreturn]] void Unfaithful(const char* kind, const std::string& what) {
    Fail(std::string("the ") + kind + " " + what + ", which cannot be rendered faithfully");
}

// The converters get some metafile features wrong, and a wrong picture
// pasted in place of the original would change the user's slide. Measured
// against LibreOffice on real decks, these are the features behind the bad
// renderings; metafiles using them are refused before conversion. Pictures
// and plain vector drawings (the heavy ones on slides) pass.
//
// WMF: masked bitmaps (the AND/OR raster-operation pairs icons use) come
// out as opaque black boxes; text is set without the font's metrics; a
// file without a placeable header or window extent has no size of its own
// and libwmf guesses a scale.
void CheckWmf(const std::string& b) {
    const bool placeable = Le32(b, 0) == kPlaceableKey;
    size_t at = placeable ? 22 : 0;
    const size_t headerWords = Le16(b, at + 2);
    at += headerWords * 2;
    bool windowExtent = false;
    while (at + 6 <= b.size()) {
        std::uint32_t words = Le32(b, at);
        std::uint16_t fn = Le16(b, at + 4);
        if (words < 3 || fn == 0) break; // META_EOF or damage
        bool blit = fn == 0x0F43 || fn == 0x0B41 || fn == 0x0940 || fn == 0x0B23 || fn == 0x0922;
        if (blit && Le32(b, at + 6) != kSrcCopy) Unfaithful("WMF", "draws masked bitmaps");
        if (fn == 0x0521 || fn == 0x0A32) Unfaithful("WMF", "draws text");
        if (fn == 0x020C) windowExtent = true; // META_SETWINDOWEXT
        if (words > (b.size() - at) / 2) break;
        at += static_cast<size_t>(words) * 2;
    }
    if (!placeable && !windowExtent) Unfaithful("WMF", "declares no size");
}

bool IdentityTransform(const std::string& b, size_t at) {
    static constexpr float kIdentity[6] = {1, 0, 0, 1, 0, 0};
    for (int i = 0; i < 6; ++i) {
        std::uint32_t v = Le32(b, at + 4 * i);
        float f;
        std::memcpy(&f, &v, 4);
        if (f != kIdentity[i]) return false;
    }
    return true;
}

// EMF: libemf2svg sets text (EXTTEXTOUT and its kin) in the wrong size and
// places it without the record's character advances; clipping and world
// transforms are only partly followed; raster operations other than a
// plain copy, mix modes other than copy, and a pen or brush chosen between
// a path's definition and its drawing (it draws with the one current at
// the path's end) come out wrong. EMF+ dual files are refused as well: the
// GDI fallback is all the converter reads, and it is not always complete.
void CheckEmf(const std::string& b) {
    size_t at = 0;
    bool inPath = false;
    while (at + 8 <= b.size()) {
        const std::uint32_t type = Le32(b, at), size = Le32(b, at + 8 - 4);
        if (size < 8 || size % 4 != 0 || size > b.size() - at) break; // the converter judges damage
        switch (type) {
        case 83: case 84: case 96: case 97: case 108: // EXTTEXTOUTA/W, POLYTEXTOUTA/W, SMALLTEXTOUT
            Unfaithful("EMF", "draws text");
        case 26: case 28: case 29: case 30: case 67: // OFFSETCLIPRGN, SETMETARGN, EXCLUDE/INTERSECTCLIPRECT, SELECTCLIPPATH
            Unfaithful("EMF", "clips its drawing");
        case 75: // EXTSELECTCLIPRGN: only the reset (no region data) is harmless
            if (Le32(b, at + 8) != 0) Unfaithful("EMF", "clips its drawing");
            break;
        case 35: // SETWORLDTRANSFORM
            if (!IdentityTransform(b, at + 8)) Unfaithful("EMF", "transforms its drawing");
            break;
        case 36: // MODIFYWORLDTRANSFORM: MWT_IDENTITY, or a product with the identity
            if (Le32(b, at + 32) != 1 && !IdentityTransform(b, at + 8)) Unfaithful("EMF", "transforms its drawing");
            break;
        case 76: case 77: // BITBLT, STRETCHBLT
            if (Le32(b, at + 40) != kSrcCopy) Unfaithful("EMF", "combines bitmaps with raster operations");
            break;
        case 81: // STRETCHDIBITS
            if (Le32(b, at + 68) != kSrcCopy) Unfaithful("EMF", "combines bitmaps with raster operations");
            break;
        case 78: case 79: case 116: // MASKBLT, PLGBLT, TRANSPARENTBLT
            Unfaithful("EMF", "draws masked bitmaps");
        case 20: // SETROP2: R2_COPYPEN only
            if (Le32(b, at + 8) != 13) Unfaithful("EMF", "mixes its drawing with raster operations");
            break;
        case 59: inPath = true; break;                          // BEGINPATH
        case 62: case 63: case 64: case 68: inPath = false; break; // FILL/STROKEANDFILL/STROKEPATH, ABORTPATH
        case 37: // SELECTOBJECT
            if (inPath) Unfaithful("EMF", "chooses its pen or brush inside a path");
            break;
        case 70: // GDICOMMENT
            if (Le32(b, at + 8) >= 4 && b.compare(at + 12, 4, "EMF+") == 0) Unfaithful("EMF", "is an EMF+ drawing");
            break;
        default: break;
        }
        if (type == 14) break; // EOF
        at += size;
    }
}

#if QUILLMAX_HAVE_LIBWMF
// libwmf reading one WMF (a copy of its bytes) for its SVG device: the
// size it gives the picture and its drawing. libwmf is not known to be
// reentrant: one reader at a time in the whole process.
class WmfReader {
public:
    explicit WmfReader(const std::string& bytes) : hold_(Lock()), copy_(bytes) {
        wmfAPI_Options opts{};
        opts.function = wmf_svg_function;
        // Errors come back as codes; its reports (a font map it cannot
        // load for a file without text) would only reach the terminal.
        const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        wmfAPI* api = nullptr;
        const bool started = wmf_api_create(&api, flags, &opts) == wmf_E_None;
        api_.reset(api); // destroyed even when creation failed half-way
        if (!started) Fail("the WMF reader failed to start");
        if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(copy_.data()), static_cast<long>(copy_.size())) !=
                wmf_E_None ||
            wmf_scan(api, 0, &bbox_) != wmf_E_None)
            Fail("the WMF could not be read");
    }

    // Its window extent or bounding box at 96 dpi.
    void DisplaySize(unsigned int& w, unsigned int& h) {
        w = h = 0;
        if (wmf_display_size(api_.get(), &w, &h, 96, 96) != wmf_E_None || w == 0 || h == 0)
            Fail("the WMF has no size");
    }

    // An SVG document of w x h (its display size).
    std::string Svg(unsigned int w, unsigned int h) {
        wmfAPI* api = api_.get();
        wmf_svg_t* dev = WMF_SVG_GetData(api);
        dev->bbox = bbox_;
        dev->width = w;
        dev->height = h;
        dev->flags |= WMF_SVG_INLINE_IMAGES;
        dev->out = wmf_stream_create(api, nullptr);
        wmf_error_t played = wmf_play(api, 0, &bbox_);
        char* mem = nullptr;
        unsigned long len = 0;
        wmf_stream_destroy(api, dev->out, &mem, &len);
        // The stream's memory belongs to the API's allocator: freed with it.
        std::string svg = mem ? std::string(mem, len) : std::string();
        if (played != wmf_E_None || svg.empty()) Fail("the WMF could not be drawn");
        return svg;
    }

private:
    static std::unique_lock<std::mutex> Lock() {
        static std::mutex lock;
        return std::unique_lock<std::mutex>(lock);
    }
    struct Destroy {
        void operator()(wmfAPI* api) const { wmf_api_destroy(api); }
    };
    std::unique_lock<std::mutex> hold_; // first in, last out
    std::string copy_;                   // the reader takes a mutable buffer
    std::unique_ptr<wmfAPI, Destroy> api_;
    wmfD_Rect bbox_{};
};

std::string WmfToSvg(const std::string& bytes, double& w, double& h) {
    WmfReader reader(bytes);
    unsigned int dw = 0, dh = 0;
    reader.DisplaySize(dw, dh);
    if (dw > 20000 || dh > 20000) Fail("the WMF is too large");
    std::string svg = reader.Svg(dw, dh);
    // libwmf writes xlink:href for inline images without declaring xlink.
    if (svg.find("xmlns:xlink") == std::string::npos) {
        auto at = svg.find("<svg");
        if (at != std::string::npos) svg.insert(at + 4, " xmlns:xlink=\"http://www.w3.org/1999/xlink\"");
    }
    w = dw;
    h = dh;
    return svg;
}
#endif

} // namespace

Kind Sniff(const std::string& b) {
    if (b.size() >= 88 && Le32(b, 0) == 1 && Le32(b, 40) == 0x464D4520) return Kind::Emf;
    if (b.size() >= 22 + 18 && Le32(b, 0) == kPlaceableKey) return Kind::Wmf;
    // A plain WMF header: type 1 (memory) or 2 (disk), header size 9 words.
    if (b.size() >= 18 && (Le16(b, 0) == 1 || Le16(b, 0) == 2) && Le16(b, 2) == 9 &&
        (Le16(b, 4) == 0x0100 || Le16(b, 4) == 0x0300))
        return Kind::Wmf;
    return Kind::None;
}

void PixelSize(const std::string& b, int& width, int& height) {
    switch (Sniff(b)) {
    case Kind::Emf: {
        // rclFrame, in 0.01 mm, inclusive.
        double fw = static_cast<double>(Ls32(b, 32)) - Ls32(b, 24);
        double fh = static_cast<double>(Ls32(b, 36)) - Ls32(b, 28);
        if (fw <= 0 || fh <= 0) {
            fw = (static_cast<double>(Ls32(b, 16)) - Ls32(b, 8)) * 2540.0 / 96.0;
            fh = (static_cast<double>(Ls32(b, 20)) - Ls32(b, 12)) * 2540.0 / 96.0;
        }
        width = static_cast<int>(std::lround(fw * 96.0 / 2540.0));
        height = static_cast<int>(std::lround(fh * 96.0 / 2540.0));
        break;
    }
    case Kind::Wmf:
        if (Le32(b, 0) == kPlaceableKey) {
            double inch = Le16(b, 14);
            if (inch <= 0) inch = 1440;
            width = static_cast<int>(std::lround(std::abs(Ls16(b, 10) - Ls16(b, 6)) * 96.0 / inch));
            height = static_cast<int>(std::lround(std::abs(Ls16(b, 12) - Ls16(b, 8)) * 96.0 / inch));
            break;
        }
#if QUILLMAX_HAVE_LIBWMF
        {
            unsigned int w = 0, h = 0;
            WmfReader(b).DisplaySize(w, h);
            width = static_cast<int>(w);
            height = static_cast<int>(h);
        }
#else
        Fail("the WMF declares no size");
#endif
        break;
    case Kind::None:
        Fail("not an EMF or WMF picture");
    }
    if (width <= 0 || height <= 0) Fail("the metafile has no size");
}

size_t CheckStructure(const std::string& b) {
    if (b.size() > kMaxMetafileBytes) Fail("the metafile is too large");
    size_t records = 0;
    switch (Sniff(b)) {
    case Kind::Emf: {
        size_t at = 0;
        while (at + 8 <= b.size()) {
            const std::uint32_t type = Le32(b, at), size = Le32(b, at + 4);
            if (size < 8 || size % 4 != 0 || size > b.size() - at) Fail("the EMF is damaged");
            if (at == 0 && type != 1) Fail("the EMF is damaged");
            at += size;
            ++records;
            if (type == 14) return records; // EOF
        }
        Fail("the EMF is damaged");
    }
    case Kind::Wmf: {
        size_t at = Le32(b, 0) == kPlaceableKey ? 22 : 0;
        const size_t headerWords = Le16(b, at + 2);
        if (headerWords < 9) Fail("the WMF is damaged");
        at += headerWords * 2;
        while (at + 6 <= b.size()) {
            const std::uint32_t words = Le32(b, at);
            if (words < 3 || words > (b.size() - at) / 2) Fail("the WMF is damaged");
            ++records;
            if (words == 3 && Le16(b, at + 4) == 0) return records; // META_EOF
            at += static_cast<size_t>(words) * 2;
        }
        Fail("the WMF is damaged");
    }
    case Kind::None:
        break;
    }
    Fail("not an EMF or WMF picture");
}

bool DeclaresSize(const std::string& b) {
    const Kind kind = Sniff(b);
    return kind == Kind::Emf || (kind == Kind::Wmf && Le32(b, 0) == kPlaceableKey);
}

bool IsPlainBitmap(const std::string& b) {
    if (Sniff(b) != Kind::Emf) return false;
    const size_t second = Le32(b, 4);
    if (second < 88 || second + 8 > b.size()) return false;
    const std::uint32_t type = Le32(b, second), size = Le32(b, second + 4);
    if (size < 108 || size > b.size() - second || second + size + 20 != b.size() || Le32(b, second + size) != 14)
        return false;
    const size_t r = second;
    std::int32_t xDest, yDest, cxDest, cyDest, xSrc, ySrc, cxSrc, cySrc;
    size_t offBmi;
    if (type == 81) { // STRETCHDIBITS, a plain copy
        if (Le32(b, r + 68) != kSrcCopy) return false;
        xDest = Ls32(b, r + 24), yDest = Ls32(b, r + 28), xSrc = Ls32(b, r + 32), ySrc = Ls32(b, r + 36);
        cxSrc = Ls32(b, r + 40), cySrc = Ls32(b, r + 44), offBmi = Le32(b, r + 48);
        cxDest = Ls32(b, r + 72), cyDest = Ls32(b, r + 76);
    } else if (type == 114) { // ALPHABLEND
        if (size < 108 || !IdentityTransform(b, r + 52)) return false;
        xDest = Ls32(b, r + 24), yDest = Ls32(b, r + 28), cxDest = Ls32(b, r + 32), cyDest = Ls32(b, r + 36);
        xSrc = Ls32(b, r + 44), ySrc = Ls32(b, r + 48), offBmi = Le32(b, r + 84);
        cxSrc = Ls32(b, r + 100), cySrc = Ls32(b, r + 104);
    } else {
        return false;
    }
    if (offBmi < 8 || offBmi + 16 > size) return false;
    const std::int32_t bw = Ls32(b, r + offBmi + 4), bh = std::abs(Ls32(b, r + offBmi + 8));
    // The whole bitmap (writers differ by one in its size) over the whole bounds.
    return bw > 0 && bh > 0 && xDest == 0 && yDest == 0 && xSrc == 0 && ySrc == 0 && std::abs(cxSrc - bw) <= 1 &&
           std::abs(cySrc - bh) <= 1 && Ls32(b, 8) == 0 && Ls32(b, 12) == 0 && cxDest == Ls32(b, 16) + 1 &&
           cyDest == Ls32(b, 20) + 1;
}

void CheckConvertible(const std::string& bytes) {
    switch (Sniff(bytes)) {
    case Kind::Emf: CheckEmf(bytes); return;
    case Kind::Wmf: CheckWmf(bytes); return;
    case Kind::None: Fail("not an EMF or WMF picture");
    }
}

std::string ToSvg(const std::string& bytes, double& widthPx, double& heightPx) {
    if (bytes.size() > kMaxMetafileBytes) Fail("the metafile is too large");
    // The converters are not known to be reentrant.
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    std::string svg;
    switch (Sniff(bytes)) {
    case Kind::Emf: {
#if QUILLMAX_HAVE_EMF2SVG
        int w = 0, h = 0;
        PixelSize(bytes, w, h);
        if (w > 20000 || h > 20000) Fail("the EMF is too large");
        CheckEmf(bytes);
        svg = EmfToSvg(bytes, w);
        SvgCanvas(svg, widthPx, heightPx);
#else
        Fail("no EMF renderer in this build");
#endif
        break;
    }
    case Kind::Wmf: {
#if QUILLMAX_HAVE_LIBWMF
        double w = 0, h = 0;
        CheckWmf(bytes);
        svg = WmfToSvg(bytes, w, h);
        // A WMF has no transparency: a half-transparent fill is libwmf's
        // stand-in for a brush it cannot draw.
        if (svg.find("opacity:0.5") != std::string::npos) Unfaithful("WMF", "uses a brush the converter cannot draw");
        SvgCanvas(svg, widthPx, heightPx);
#else
        Fail("no WMF renderer in this build");
#endif
        break;
    }
    case Kind::None:
        Fail("not an EMF or WMF picture");
    }
    if (!SvgDrawsSomething(svg)) Fail("the metafile draws nothing");
    return svg;
}

} // namespace quillmax::pptx::metafile
