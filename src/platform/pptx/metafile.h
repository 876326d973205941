// File: platform/pptx/metafile.h
// Metafile pictures (EMF, WMF) turned into SVG through Debian's libraries
// (libemf2svg for EMF, libwmf for WMF), so libvips/librsvg can render them;
// and their size as the presentation program shows them (96 dpi).
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

// An SVG document drawing the metafile; widthPx/heightPx receive the size
// of the SVG's canvas. Refuses metafiles the converter cannot read, and
// ones beyond a sane size.
std::string ToSvg(const std::string& bytes, double& widthPx, double& heightPx);

// Largest metafile accepted (bytes); heavy slide metafiles reach tens of MB.
inline constexpr size_t kMaxMetafileBytes = 256u << 20;

} // namespace quillmax::pptx::metafile
