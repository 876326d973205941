// File: engine/walk.h
// The engine's entry point: the walk over one slide (or one group level).
#pragma once

#include <memory>
#include <string>

#include "engine/run_state.h"

namespace quillmax::engine {

// Visits every shape of the slide (or of the group, taken apart) once and
// dispatches it. Returns "" for a slide, the rebuilt group's Name for a
// group level. Failures in the preparation reach the caller.
std::string CompressSlide(RunState& s, const std::shared_ptr<office::Slide>& slide,
                          const std::shared_ptr<office::Shape>& groupShape, bool isTopLevel);

} // namespace quillmax::engine
