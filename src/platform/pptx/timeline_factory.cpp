// File: platform/pptx/timeline_factory.cpp
// Stand-ins for the animation factories of slide_model.h until the timeline
// objects exist: every use fails as an automation call would.
#include "platform/pptx/slide_model.h"

#include "office/errors.h"

namespace quillmax::pptx {

std::shared_ptr<office::TimeLine> MakeTimeLine(SlideModel&) {
    throw office::AutomationError("Slide.TimeLine", "not available");
}

std::shared_ptr<office::Dispatch> MakeAnimationSettings(SlideModel&, std::uint32_t) {
    throw office::AutomationError("Shape.AnimationSettings", "not available");
}

} // namespace quillmax::pptx
