// File: platform/pptx/animation_settings.cpp
// Shape.AnimationSettings of the package-backed PowerPoint. A package has
// no legacy animation record of its own, so this is a view over the
// shape's first main-sequence effect: EntryEffect (its effect number),
// AnimationOrder (its click group), AdvanceMode / AdvanceTime (its trigger
// and delay) and Animate (whether it has one). The other members read as
// their neutral value and accept the value read, since the package has no
// place for them.
#include <cstring>

#include "base/errors.h"
#include "platform/pptx/slide_model.h"
#include "platform/pptx/timeline_xml.h"
#include "platform/pptx/xml_util.h"
#include "base/text.h"

namespace quillmax::pptx {

namespace tx = timeline_xml;
using office::AutomationError;
using office::Value;

namespace {

constexpr int kAdvanceOnClick = 1; // ppAdvanceOnClick
constexpr int kAdvanceOnTime = 2;  // ppAdvanceOnTime

bool SameNumber(const Value& a, const Value& b) {
    auto num = [](const Value& v) { return v.is_bool() ? (v.as_bool() ? -1.0 : 0.0) : v.as_double(); };
    if (a.is_empty() || b.is_empty()) return a.is_empty() && b.is_empty();
    if (a.is_string() || b.is_string() || a.is_opaque() || b.is_opaque()) return a == b;
    return num(a) == num(b);
}

class AnimationSettingsView : public office::Dispatch {
public:
    AnimationSettingsView(std::shared_ptr<SlideModel> slide, std::uint32_t id)
        : slide_(std::move(slide)), id_(id) {}

    Value Get(std::string_view member) override {
        const auto m = util::LowerAscii(member);
        auto found = First();
        const auto& [effect, clickGroup, trigger] = found;
        if (m == "animate") return Value(effect ? -1 : 0);
        if (m == "entryeffect") {
            if (!effect) return Value(0);
            auto ctn = tx::EffectCTn(effect);
            return Value(tx::EffectTypeOf(ctn.attribute("presetClass").value(), ctn.attribute("presetID").as_int()));
        }
        if (m == "animationorder") return Value(effect ? clickGroup : 0);
        if (m == "advancemode") return Value(effect && trigger != tx::kOnClick ? kAdvanceOnTime : kAdvanceOnClick);
        if (m == "advancetime") {
            if (!effect) return Value(0.0);
            auto delay = tx::EffectCTn(effect).child("p:stCondLst").child("p:cond").attribute("delay");
            return Value(tx::Millis(delay).value_or(0) / 1000.0);
        }
        if (m == "aftereffect" || m == "textleveleffect" || m == "textuniteffect") return Value(0);
        if (m == "animatebackground" || m == "animatetextinreverse") return Value(0);
        if (m == "dimcolor") return {};
        throw AutomationError("AnimationSettings." + std::string(member), "no such member");
    }

    void Set(std::string_view member, const Value& v) override {
        const auto m = util::LowerAscii(member);
        const Value now = Get(member);
        if (SameNumber(now, v)) return;
        auto [effect, clickGroup, trigger] = First();
        (void)clickGroup;
        if (m == "advancetime" && effect) {
            auto ctn = tx::EffectCTn(effect);
            auto cond = ctn.child("p:stCondLst").child("p:cond");
            if (!cond) cond = ChildInOrder(ctn, "p:stCondLst", QMX_ORDER_CTN).append_child("p:cond");
            auto a = cond.attribute("delay");
            if (!a) a = cond.append_attribute("delay");
            a = static_cast<long long>(v.as_double() * 1000.0 + 0.5);
            slide_->MarkDirty();
            return;
        }
        if (m == "advancemode" && effect) {
            auto effects = tx::MainEffects(slide_->Document());
            for (auto& e : effects)
                if (e.par == effect) e.trigger = v.as_int() == kAdvanceOnTime ? tx::kAfterPrevious : tx::kOnClick;
            tx::RebuildMainSequence(slide_->Document(), effects);
            slide_->MarkDirty();
            return;
        }
        if (m == "animate" && !v.as_bool()) {
            if (tx::RemoveShapeAnimations(slide_->Document(), id_)) slide_->MarkDirty();
            return;
        }
        // The remaining legacy members have nothing to write to.
        if (m == "aftereffect" || m == "textleveleffect" || m == "textuniteffect" ||
            m == "animatebackground" || m == "animatetextinreverse" || m == "dimcolor")
            return;
        throw AutomationError("AnimationSettings." + std::string(member),
                              "the value cannot be assigned in this presentation");
    }

private:
    struct Found {
        pugi::xml_node effect;
        int clickGroup = 0;
        int trigger = tx::kOnClick;
    };

    Found First() {
        int group = 0;
        for (const auto& e : tx::MainEffects(slide_->Document())) {
            if (e.trigger == tx::kOnClick || group == 0) ++group;
            if (tx::TargetShapeId(e.par) == id_) return {e.par, group, e.trigger};
        }
        return {};
    }

    std::shared_ptr<SlideModel> slide_;
    std::uint32_t id_;
};

} // namespace

std::shared_ptr<office::Dispatch> MakeAnimationSettings(SlideModel& slide, std::uint32_t shapeId) {
    return std::make_shared<AnimationSettingsView>(slide.shared_from_this(), shapeId);
}

} // namespace quillmax::pptx
