// File: platform/pptx/metafile.h
// Metafile pictures (EMF, WMF): their size as the presentation program
// shows them (96 dpi), the checks that choose who may draw them, and their
// SVG form through Debian's libraries (libemf2svg for EMF, libwmf for WMF)
// for libvips/librsvg.
// Failures throw office::AutomationError ("cannot render metafile").
#pragma once

#include <string>

namespace quillmax::pptx::metafile {

enum class Kind { None, Emf, Wmf };

// What the bytes are, by their header (not by a file name).
Kind Sniff(const std::string& bytes);

// Natural size in pixels at 96 dpi, from the header's frame (EMF) or the
// placeable header / bounding box (WMF).
void PixelSize(const std::string& bytes, int& width, int& height);

// Whether the header states the size: an EMF, or a WMF with a placeable
// header. Any other WMF's size is a reader's guess.
bool DeclaresSize(const std::string& bytes);

// An SVG document drawing the metafile; widthPx/heightPx receive the size
// of the SVG's canvas. Refuses metafiles the converter cannot read, and
// ones beyond a sane size.
std::string ToSvg(const std::string& bytes, double& widthPx, double& heightPx);

// Refuses a metafile whose records do not chain from its header to its end
// record (a damaged file would be drawn partly, or not as the presentation
// program draws it); returns the number of records.
size_t CheckStructure(const std::string& bytes);

// Refuses a metafile the SVG converters would draw wrongly (text,
// clipping, transforms, raster operations, EMF+ records, ...).
void CheckConvertible(const std::string& bytes);

// An EMF that only shows one whole bitmap over its whole bounds (a scan, a
// screenshot, this program's own wrapped renderings): drawn as a picture,
// resampled as every picture is.
bool IsPlainBitmap(const std::string& bytes);

// Largest metafile accepted (bytes); heavy slide metafiles reach tens of MB.
inline constexpr size_t kMaxMetafileBytes = 64u << 20;

} // namespace quillmax::pptx::metafile
