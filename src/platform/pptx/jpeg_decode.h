// File: platform/pptx/jpeg_decode.h
// A JPEG shown at exactly its own pixel size, decoded straight through
// libjpeg. The walk copies back every picture it pastes for its pixel
// check; on such small pictures libvips' pipeline around the same decoder
// costs ten times the decoding itself.
#pragma once

#include <optional>
#include <string>

#include "platform/pptx/imaging.h"

namespace quillmax::pptx::imaging {

// The pixels of a plain YCbCr JPEG of exactly widthPx x heightPx, as
// libvips decodes them (opaque). Nothing for anything else (another size,
// a colour profile, CMYK or grey, damage of any kind): that goes the full
// way, which judges it.
std::optional<Rendering> DecodeJpegAsStored(const std::string& bytes, int widthPx, int heightPx);

} // namespace quillmax::pptx::imaging
