// File: platform/pptx/media.h
// Timing that a media shape needs to play in a slide show.
#pragma once

#include <cstdint>

#include <pugixml.hpp>

namespace quillmax::pptx {

// Gives a newly inserted movie or sound what the presentation program gives
// one it inserts: a media node that plays it, and a click on it that
// pauses and resumes it.
void AddMediaTiming(pugi::xml_document& slide, std::uint32_t shapeId, bool audio);

} // namespace quillmax::pptx
