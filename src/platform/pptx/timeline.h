// File: platform/pptx/timeline.h
// The timeline objects of the package-backed PowerPoint (TimeLine,
// Sequence, Effect and what hangs off an effect) over a slide's p:timing,
// and the main-sequence listing of `qmx-pptx dump`.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "office/powerpoint.h"
#include "platform/pptx/slide_model.h"

namespace quillmax::pptx {

// One tab-separated line per main-sequence effect, in play order:
// "effect", Index, shape Name, preset class, preset id, preset subtype,
// TriggerType, TriggerDelayTime, Duration (seconds).
std::vector<std::string> DumpMainSequence(SlideModel& slide);
// The same for a slide of the package-backed PowerPoint; empty for any
// other slide object.
std::vector<std::string> DumpMainSequence(const std::shared_ptr<office::Slide>& slide);

} // namespace quillmax::pptx
