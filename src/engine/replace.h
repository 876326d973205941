// File: engine/replace.h
// A replacement shape takes over the old shape's place.
#pragma once

#include <memory>

#include "engine/run_state.h"

namespace quillmax::engine {

// Uncontained: the first failing step ends it (the old shape then stays).
void ReplaceShape(RunState& s, const std::shared_ptr<office::Shape>& oldShape,
                  const std::shared_ptr<office::Shape>& newShape,
                  const std::shared_ptr<office::Slide>& slide, bool isTopLevel);
// Uncontained.
void MoveToZOrderOf(const std::shared_ptr<office::Shape>& newShape, int target);
// Routine-contained.
void ReattachConnectors(const std::shared_ptr<office::Shapes>& shapes,
                        const std::shared_ptr<office::Shape>& oldShape,
                        const std::shared_ptr<office::Shape>& newShape);
// Step-contained.
void PickUpFormat(const std::shared_ptr<office::Shape>& shape);

} // namespace quillmax::engine
