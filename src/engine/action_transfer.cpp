// File: engine/action_transfer.cpp
// Carries a replaced shape's click and mouse-over actions (with their
// hyperlinks and sounds) and its legacy animation settings over to the
// replacement. The outer copiers contain each step on its own; the
// hyperlink and sound copiers stop at their first failure.
#include <array>
#include <memory>
#include <string_view>

#include "engine/common.h"
#include "engine/transfers.h"
#include "base/containment.h"

namespace quillmax::engine {

using office::routine;
using office::step;

namespace {

constexpr std::array<std::string_view, 11> kAnimationSettingsFields = {
    "AdvanceMode",   "AdvanceTime",     "AfterEffect", "AnimateBackground",
    "AnimateTextInReverse", "TextLevelEffect", "TextUnitEffect", "DimColor",
    "EntryEffect",   "Animate",         "AnimationOrder"};

} // namespace

void CopyHyperlink(const std::shared_ptr<office::ActionSetting>& src,
                   const std::shared_ptr<office::ActionSetting>& dst) {
    routine([&] {
        auto d = Hold(Need(dst, "ActionSetting").GetHyperlink(), "ActionSetting.Hyperlink");
        auto s = [&] { return Hold(Need(src, "ActionSetting").GetHyperlink(), "ActionSetting.Hyperlink"); };
        d->SetAddress(s()->Address());
        d->SetEmailSubject(s()->EmailSubject());
        d->SetScreenTip(s()->ScreenTip());
        d->SetShowAndReturn(s()->ShowAndReturn());
        d->SetSubAddress(s()->SubAddress());
        d->SetTextToDisplay(s()->TextToDisplay());
    });
}

void CopySoundEffect(const std::shared_ptr<office::ActionSetting>& src,
                     const std::shared_ptr<office::ActionSetting>& dst) {
    routine([&] {
        auto d = Hold(Need(dst, "ActionSetting").GetSoundEffect(), "ActionSetting.SoundEffect");
        auto s = [&] { return Hold(Need(src, "ActionSetting").GetSoundEffect(), "ActionSetting.SoundEffect"); };
        d->SetName(s()->Name());
        d->SetType(s()->Type());
    });
}

void CopyActionSetting(const std::shared_ptr<office::ActionSetting>& src,
                       const std::shared_ptr<office::ActionSetting>& dst) {
    step([&] { CopyHyperlink(src, dst); });
    step([&] { CopySoundEffect(src, dst); });
    // Written last, so these are the values that stand.
    step([&] { Need(dst, "ActionSetting").SetAction(Need(src, "ActionSetting").Action()); });
    step([&] {
        Need(dst, "ActionSetting").SetAnimateAction(Need(src, "ActionSetting").AnimateAction());
    });
    step([&] { Need(dst, "ActionSetting").SetRun(Need(src, "ActionSetting").Run()); });
    step([&] {
        Need(dst, "ActionSetting").SetSlideShowName(Need(src, "ActionSetting").SlideShowName());
    });
}

void CopyAnimationSettings(const std::shared_ptr<office::Shape>& src,
                           const std::shared_ptr<office::Shape>& dst) {
    std::shared_ptr<office::Dispatch> d;
    step([&] { d = Need(dst, "Shape").AnimationSettings(); });
    for (auto field : kAnimationSettingsFields) {
        step([&] {
            office::Value v =
                Need(Need(src, "Shape").AnimationSettings(), "Shape.AnimationSettings").Get(field);
            Need(d, "Shape.AnimationSettings").Set(field, v);
        });
    }
}

} // namespace quillmax::engine
