// File: engine/replace.cpp
// The takeover of a replaced shape's place: stacking, animations, actions,
// connectors. The grains of containment are part of the behaviour: a
// failure while fetching what a transfer works on ends ReplaceShape before
// the old shape is deleted, so nothing is lost.
#include "engine/replace.h"

#include "engine/transfers.h"
#include "base/containment.h"

namespace quillmax::engine {

void ReplaceShape(RunState& s, const std::shared_ptr<office::Shape>& oldShape,
                  const std::shared_ptr<office::Shape>& newShape,
                  const std::shared_ptr<office::Slide>& slide, bool isTopLevel) {
    s.presSource->Windows(1)->Activate();
    slide->Select();
    oldShape->Select();
    MoveToZOrderOf(newShape, oldShape->ZOrderPosition());

    // The transfers contain their own failures; what they are handed is
    // fetched here, uncontained.
    if (isTopLevel) {
        if (s.officeXPMode) {
            auto timeline = slide->GetTimeLine();
            office::step([&] { TransferTimelineEffects(timeline, oldShape, newShape); });
        } else {
            office::step([&] { CopyAnimationSettings(oldShape, newShape); });
        }
    }
    for (int k : {office::ppt::kMouseClick, office::ppt::kMouseOver}) {
        auto src = oldShape->ActionSettings(k);
        auto dst = newShape->ActionSettings(k);
        office::step([&] { CopyActionSetting(src, dst); });
    }
    CopyShapeAttributes(oldShape, newShape);
    ReattachConnectors(slide->GetShapes(), oldShape, newShape);
    oldShape->Delete();
}

void MoveToZOrderOf(const std::shared_ptr<office::Shape>& newShape, int target) {
    for (;;) {
        int before = newShape->ZOrderPosition();
        if (newShape->ZOrderPosition() <= target) return;
        newShape->ZOrder(office::ppt::kSendBackward);
        if (newShape->ZOrderPosition() == before) return; // ZOrder had no effect
    }
}

void ReattachConnectors(const std::shared_ptr<office::Shapes>& shapes,
                        const std::shared_ptr<office::Shape>& oldShape,
                        const std::shared_ptr<office::Shape>& newShape) {
    office::routine([&] {
        int n = shapes->Count();
        for (int i = 1; i <= n; ++i) {
            auto item = shapes->Item(i);
            if (!item->Connector()) continue;
            auto cf = item->GetConnectorFormat();
            // Matched by name: a namesake of the old shape counts as well.
            if (cf->BeginConnected() && cf->BeginConnectedShape()->Name() == oldShape->Name()) {
                int site = cf->BeginConnectionSite();
                cf->BeginDisconnect();
                cf->BeginConnect(newShape, site);
            }
            if (cf->EndConnected() && cf->EndConnectedShape()->Name() == oldShape->Name()) {
                int site = cf->EndConnectionSite();
                cf->EndDisconnect();
                cf->EndConnect(newShape, site);
            }
        }
    });
}

void PickUpFormat(const std::shared_ptr<office::Shape>& shape) {
    office::step([&] { shape->PickUp(); });
}

} // namespace quillmax::engine
