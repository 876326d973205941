// File: engine/attribute_transfer.cpp
// Carries a replaced shape's visibility, alternative text and title over to
// its replacement: a hidden picture stays out of the show, and screen
// readers keep what they read. Only what could be read is written.
#include "engine/common.h"
#include "engine/transfers.h"
#include "base/containment.h"

namespace quillmax::engine {

using office::step;

ShapeAttributes ReadShapeAttributes(const std::shared_ptr<office::Shape>& src) {
    ShapeAttributes a;
    step([&] { a.visible = Need(src, "Shape").Visible(); });
    step([&] { a.alternativeText = Need(src, "Shape").AlternativeText(); });
    step([&] { a.title = Need(src, "Shape").Title(); });
    return a;
}

void WriteShapeAttributes(const ShapeAttributes& a, const std::shared_ptr<office::Shape>& dst) {
    if (a.alternativeText) step([&] { Need(dst, "Shape").SetAlternativeText(*a.alternativeText); });
    if (a.title) step([&] { Need(dst, "Shape").SetTitle(*a.title); });
    if (a.visible) step([&] { Need(dst, "Shape").SetVisible(*a.visible); });
}

void CopyShapeAttributes(const std::shared_ptr<office::Shape>& src,
                         const std::shared_ptr<office::Shape>& dst) {
    WriteShapeAttributes(ReadShapeAttributes(src), dst);
}

} // namespace quillmax::engine
