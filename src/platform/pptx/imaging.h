// File: platform/pptx/imaging.h
// Pictures as the clipboard sees them: decode an image part's visible area
// at a pixel size (shrink-on-load), encode it as JPEG / PNG / GIF / EMF,
// and hand it to the engine as pixels. All decoding, resampling and
// encoding goes through libvips; metafiles (EMF/WMF) render through
// libemf2svg / libwmf / librsvg where those draw them faithfully, and
// through LibreOffice's renderer (office_renderer) otherwise. Failures throw
// office::AutomationError.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "office/automation.h"

namespace quillmax::pptx::imaging {

// An encoded image: its bytes and its file extension in lower case
// ("jpeg", "png", "gif", "emf", "wmf", "tiff", "bmp", "svg", ...).
struct EncodedImage {
    std::string bytes;
    std::string ext;
};

// Crop insets as fractions of the source (a:srcRect / 100000); negative
// values extend the picture.
struct Crop {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// A rendered picture: 8-bit sRGB with alpha, row-major.
struct Rendering {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // width * height * 4
    bool anyTransparent = false;    // some pixel has alpha < 255
    bool partialAlpha = false;      // some pixel has 0 < alpha < 255
    bool fromMetafile = false;      // source was EMF/WMF
};

bool IsMetafile(const std::string& ext);
// Pixel size of the encoded image, without decoding it all.
void ImageSize(const EncodedImage& image, int& width, int& height);

// The visible (cropped) area of image, resampled to widthPx x heightPx.
// Refuses images beyond sane pixel limits rather than allocating them.
Rendering Render(const EncodedImage& image, const Crop& crop, int widthPx, int heightPx);

// Who draws a metafile: the SVG converters (libemf2svg, libwmf) behind
// their faithfulness guard, or LibreOffice's renderer through the office
// helper. Best: the helper when it is installed, except for an EMF that
// only shows one bitmap (the converters resample it as a picture).
enum class MetafileRenderer { Best, Converters, Office };
Rendering RenderMetafile(const EncodedImage& image, const Crop& crop, int widthPx, int heightPx,
                         MetafileRenderer renderer);
// The renderer Best stands for with this metafile.
MetafileRenderer ChosenMetafileRenderer(const EncodedImage& image);

// Encodes a rendering for PasteSpecial's data types: 3 metafile (EMF
// wrapping the bitmap), 4 GIF, 5 JPEG, 6 PNG. Refuses a format that cannot
// carry the picture faithfully (JPEG with transparency; GIF with partial
// alpha). jpegQuality 0 is kJpegQuality.
EncodedImage Encode(const Rendering& rendering, int dataType, int jpegQuality = 0);

// Whether any pixel of the image is not fully opaque (decodes it all).
bool HasTransparency(const EncodedImage& image);

// The rendering as 24-bit RGB composited on white.
office::Raster ToRaster(const Rendering& rendering);

// Constants chosen by measurement (see the README).
inline constexpr int kJpegQuality = 85;
inline constexpr int kPngEffort = 6;

// PasteSpecial's data types.
inline constexpr int kPasteMetafile = 3, kPasteGif = 4, kPasteJpeg = 5, kPastePng = 6;

// Pictures beyond these are refused before any pixel is decoded.
inline constexpr int kMaxSourceSide = 30000;
inline constexpr double kMaxSourcePixels = 500e6;
inline constexpr int kMaxRenderSide = 16384;
// The whole source at the rendering's scale (a tiny visible area shown
// large would otherwise need a huge intermediate).
inline constexpr double kMaxIntermediatePixels = 120e6;
// Metafiles with more records are not given to the in-process converters,
// which have no time limit (the corpus's largest has 1247).
inline constexpr size_t kMaxConverterRecords = 200000;

// The picture to paste as a metafile: the source's own bytes when the
// source is a metafile, otherwise the rendering wrapped in an EMF.
EncodedImage MetafileFor(const EncodedImage& source, const Rendering& rendering);

// An EMF that shows the rendering at 96 dpi (StretchDIBits, or AlphaBlend
// when it has transparent pixels).
std::string WrapInEmf(const Rendering& rendering);

// Starts libvips once (safe to call from anywhere, any number of times).
void EnsureVips();

} // namespace quillmax::pptx::imaging
