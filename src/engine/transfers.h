// File: engine/transfers.h
// Everything else that belongs to a replaced shape: its timeline effects,
// legacy animation settings, actions, hyperlinks, sounds, visibility and
// alternative text.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "office/powerpoint.h"

namespace quillmax::engine {

void TransferTimelineEffects(const std::shared_ptr<office::TimeLine>& timeline,
                             const std::shared_ptr<office::Shape>& oldShape,
                             const std::shared_ptr<office::Shape>& newShape);
void CopyEffectParameters(const std::shared_ptr<office::Effect>& src,
                          const std::shared_ptr<office::Effect>& dst);

void CopyActionSetting(const std::shared_ptr<office::ActionSetting>& src,
                       const std::shared_ptr<office::ActionSetting>& dst);
void CopyHyperlink(const std::shared_ptr<office::ActionSetting>& src,
                   const std::shared_ptr<office::ActionSetting>& dst);
void CopySoundEffect(const std::shared_ptr<office::ActionSetting>& src,
                     const std::shared_ptr<office::ActionSetting>& dst);
void CopyAnimationSettings(const std::shared_ptr<office::Shape>& src,
                           const std::shared_ptr<office::Shape>& dst);

// What a shape shows to screen readers and in a show: Visible,
// AlternativeText, Title. Each step contained on its own.
struct ShapeAttributes {
    std::optional<int> visible;
    std::optional<std::string> alternativeText;
    std::optional<std::string> title;
};
ShapeAttributes ReadShapeAttributes(const std::shared_ptr<office::Shape>& src);
void WriteShapeAttributes(const ShapeAttributes& a, const std::shared_ptr<office::Shape>& dst);
void CopyShapeAttributes(const std::shared_ptr<office::Shape>& src,
                         const std::shared_ptr<office::Shape>& dst);

} // namespace quillmax::engine
