// File: platform/pptx/slide_model.h
// What the timeline and legacy animation objects see of a slide: its parsed
// part (p:sld with p:timing and p:bldLst), the mapping between shape handles
// and their cNvPr ids, and the dirty mark that makes SaveAs write the part
// again. The slide object implements it; the animation objects are built by
// the two factories at the end, which live with the animation code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <pugixml.hpp>

#include "office/powerpoint.h"

namespace quillmax::pptx {

class SlideModel : public std::enable_shared_from_this<SlideModel> {
public:
    virtual ~SlideModel() = default;

    // The slide part's document (root p:sld). Parsed on first use.
    virtual pugi::xml_document& Document() = 0;
    // Call after every change of Document(), or SaveAs keeps the old bytes.
    virtual void MarkDirty() = 0;

    // cNvPr id of a shape handle that lives on this slide (top level or in a
    // group); nullopt for a deleted shape or one of another slide.
    virtual std::optional<std::uint32_t> ShapeId(const office::Shape& shape) = 0;
    // The handle of the shape with that cNvPr id on this slide (the same
    // handle every time for the same shape); nullptr when there is none.
    virtual std::shared_ptr<office::Shape> ShapeById(std::uint32_t id) = 0;

    // Slide size of the presentation in EMU (motion paths are fractions of it).
    virtual std::int64_t SlideWidthEmu() = 0;
    virtual std::int64_t SlideHeightEmu() = 0;
    // 1-based position of this slide in its presentation.
    virtual int SlideIndex() = 0;
};

// Slide.TimeLine and Shape.AnimationSettings. Implemented by the animation
// code (timeline_factory.cpp holds stand-ins until it lands). The returned
// objects may keep slide.shared_from_this() to stay valid.
std::shared_ptr<office::TimeLine> MakeTimeLine(SlideModel& slide);
std::shared_ptr<office::Dispatch> MakeAnimationSettings(SlideModel& slide, std::uint32_t shapeId);
// Removes everything that animates the shape (its effects in every
// sequence, the sequences it triggers, its build-list entries) and marks
// the slide dirty when something went. Shape.Delete and Ungroup call it so
// that nothing in the timing points at a shape that is gone.
bool RemoveShapeAnimations(SlideModel& slide, std::uint32_t shapeId);

} // namespace quillmax::pptx
