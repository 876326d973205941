// File: engine/timeline_transfer.cpp
// Carries a replaced shape's main-sequence effects over to its replacement:
// each effect is rebuilt on the new shape at the same place in the
// sequence, with the same parameters, behaviours and timing, and the old
// effect is removed. Every step is contained on its own; inside one
// behaviour-type copier the first failure ends that copier.
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "engine/common.h"
#include "engine/transfers.h"
#include "base/containment.h"

namespace quillmax::engine {

using office::routine;
using office::step;
using office::step_value;

namespace {

// Behaviour type numbers of the object model.
constexpr int kMotion = 1;
constexpr int kColor = 2;
constexpr int kScale = 3;
constexpr int kRotation = 4;
constexpr int kProperty = 5;
constexpr int kCommand = 6;
constexpr int kFilter = 7;
constexpr int kSet = 8;

std::shared_ptr<office::AnimationBehavior> BehaviorOf(const std::shared_ptr<office::Effect>& e,
                                                      int j) {
    auto b = Need(Need(e, "Effect").Behaviors(), "Effect.Behaviors").Item(j);
    Need(b, "AnimationBehaviors.Item");
    return b;
}

// True when behaviour j of the source is of `type`; a copier does nothing
// otherwise. The read is part of the copier's routine.
bool IsOfType(const std::shared_ptr<office::Effect>& src, int j, int type) {
    return BehaviorOf(src, j)->Get("Type").as_int() == type;
}

template <size_t N>
void CopyFields(office::Dispatch& from, office::Dispatch& to,
                const std::array<std::string_view, N>& fields) {
    for (auto f : fields) to.Set(f, from.Get(f));
}

void CopyColorBehaviorDetails(const std::shared_ptr<office::Effect>& src,
                              const std::shared_ptr<office::Effect>& dst, int j) {
    routine([&] {
        if (!IsOfType(src, j, kColor)) return;
        auto s = Hold(BehaviorOf(src, j)->ColorEffect(), "AnimationBehavior.ColorEffect");
        auto d = Hold(BehaviorOf(dst, j)->ColorEffect(), "AnimationBehavior.ColorEffect");
        CopyFields<3>(*s, *d, {"By", "From", "To"});
    });
}

void CopyCommandBehaviorDetails(const std::shared_ptr<office::Effect>& src,
                                const std::shared_ptr<office::Effect>& dst, int j) {
    routine([&] {
        if (!IsOfType(src, j, kCommand)) return;
        auto s = Hold(BehaviorOf(src, j)->CommandEffect(), "AnimationBehavior.CommandEffect");
        auto d = Hold(BehaviorOf(dst, j)->CommandEffect(), "AnimationBehavior.CommandEffect");
        CopyFields<2>(*s, *d, {"Command", "Type"});
    });
}

// Filter and set behaviours carry nothing beyond the three common fields.
void CopyFilterBehaviorDetails(const std::shared_ptr<office::Effect>& src,
                               const std::shared_ptr<office::Effect>&, int j) {
    routine([&] { (void)IsOfType(src, j, kFilter); });
}

void CopySetBehaviorDetails(const std::shared_ptr<office::Effect>& src,
                            const std::shared_ptr<office::Effect>&, int j) {
    routine([&] { (void)IsOfType(src, j, kSet); });
}

void CopyMotionBehaviorDetails(const std::shared_ptr<office::Effect>& src,
                               const std::shared_ptr<office::Effect>& dst, int j) {
    routine([&] {
        if (!IsOfType(src, j, kMotion)) return;
        auto s = Hold(BehaviorOf(src, j)->MotionEffect(), "AnimationBehavior.MotionEffect");
        auto d = Hold(BehaviorOf(dst, j)->MotionEffect(), "AnimationBehavior.MotionEffect");
        CopyFields<7>(*s, *d, {"ByX", "ByY", "FromX", "FromY", "Path", "ToX", "ToY"});
    });
}

void CopyPropertyBehaviorDetails(const std::shared_ptr<office::Effect>& src,
                                 const std::shared_ptr<office::Effect>& dst, int j) {
    routine([&] {
        if (!IsOfType(src, j, kProperty)) return;
        auto s = Hold(BehaviorOf(src, j)->GetPropertyEffect(), "AnimationBehavior.PropertyEffect");
        auto d = Hold(BehaviorOf(dst, j)->GetPropertyEffect(), "AnimationBehavior.PropertyEffect");
        CopyFields<3>(*s, *d, {"From", "Property", "To"});
        auto sp = Hold(s->Points(), "PropertyEffect.Points");
        auto dp = Hold(d->Points(), "PropertyEffect.Points");
        dp->SetSmooth(sp->Smooth());
        // Appended after whatever points the destination already has.
        const int k = sp->Count();
        for (int p = 1; p <= k; ++p) {
            auto added = Hold(dp->Add(), "AnimationPoints.Add");
            auto from = Hold(sp->Item(p), "AnimationPoints.Item");
            CopyFields<3>(*from, *added, {"Formula", "Time", "Value"});
        }
    });
}

void CopyRotationBehaviorDetails(const std::shared_ptr<office::Effect>& src,
                                 const std::shared_ptr<office::Effect>& dst, int j) {
    routine([&] {
        if (!IsOfType(src, j, kRotation)) return;
        auto s = Hold(BehaviorOf(src, j)->RotationEffect(), "AnimationBehavior.RotationEffect");
        auto d = Hold(BehaviorOf(dst, j)->RotationEffect(), "AnimationBehavior.RotationEffect");
        CopyFields<3>(*s, *d, {"By", "From", "To"});
    });
}

void CopyScaleBehaviorDetails(const std::shared_ptr<office::Effect>& src,
                              const std::shared_ptr<office::Effect>& dst, int j) {
    routine([&] {
        if (!IsOfType(src, j, kScale)) return;
        auto s = Hold(BehaviorOf(src, j)->ScaleEffect(), "AnimationBehavior.ScaleEffect");
        auto d = Hold(BehaviorOf(dst, j)->ScaleEffect(), "AnimationBehavior.ScaleEffect");
        CopyFields<6>(*s, *d, {"ByX", "ByY", "FromX", "FromY", "ToX", "ToY"});
    });
}

constexpr std::array<std::string_view, 13> kTimingFields = {
    "Accelerate", "AutoReverse", "Decelerate",  "Duration",    "RepeatCount",
    "RepeatDuration", "Restart", "RewindAtEnd", "SmoothEnd",   "SmoothStart",
    "Speed",      "TriggerDelayTime", "TriggerType"};

void CopyBehaviors(const std::shared_ptr<office::Effect>& oldEffect,
                   const std::shared_ptr<office::Effect>& newEffect) {
    const int m = step_value<int>(
        [&] { return Need(Need(oldEffect, "Effect").Behaviors(), "Effect.Behaviors").Count(); },
        0);
    for (int j = 1; j <= m; ++j) {
        for (std::string_view field : {"Accumulate", "Additive", "Type"}) {
            step([&] { BehaviorOf(newEffect, j)->Set(field, BehaviorOf(oldEffect, j)->Get(field)); });
        }
        CopyColorBehaviorDetails(oldEffect, newEffect, j);
        CopyCommandBehaviorDetails(oldEffect, newEffect, j);
        CopyFilterBehaviorDetails(oldEffect, newEffect, j);
        CopyMotionBehaviorDetails(oldEffect, newEffect, j);
        CopyPropertyBehaviorDetails(oldEffect, newEffect, j);
        CopyRotationBehaviorDetails(oldEffect, newEffect, j);
        CopyScaleBehaviorDetails(oldEffect, newEffect, j);
        CopySetBehaviorDetails(oldEffect, newEffect, j);
    }
}

void CopyTiming(const std::shared_ptr<office::Effect>& oldEffect,
                const std::shared_ptr<office::Effect>& newEffect) {
    std::shared_ptr<office::Dispatch> dstTiming;
    step([&] { dstTiming = Need(newEffect, "Effect").Timing(); });
    for (auto field : kTimingFields) {
        step([&] {
            office::Value v = Need(Need(oldEffect, "Effect").Timing(), "Effect.Timing").Get(field);
            Need(dstTiming, "Effect.Timing").Set(field, v);
        });
    }
}

} // namespace

void CopyEffectParameters(const std::shared_ptr<office::Effect>& src,
                          const std::shared_ptr<office::Effect>& dst) {
    auto srcParams = [&] {
        return Hold(Need(src, "Effect").GetEffectParameters(), "Effect.EffectParameters");
    };
    std::shared_ptr<office::EffectParameters> dstParams;
    step([&] { dstParams = Need(dst, "Effect").GetEffectParameters(); });
    for (std::string_view field : {"Amount", "Direction", "FontName", "Relative", "Size"}) {
        step([&] {
            office::Value v = srcParams()->Get(field);
            Need(dstParams, "Effect.EffectParameters").Set(field, v);
        });
    }
    std::shared_ptr<office::Dispatch> dstColor;
    step([&] { dstColor = Need(dstParams, "Effect.EffectParameters").Color2(); });
    for (std::string_view field : {"RGB", "SchemeColor", "TintAndShade"}) {
        step([&] {
            office::Value v = Need(srcParams()->Color2(), "EffectParameters.Color2").Get(field);
            Need(dstColor, "EffectParameters.Color2").Set(field, v);
        });
    }
}

namespace {

// Rebuilds every effect of `seq` whose shape is named oldName on newShape,
// in place. n is the sequence's count, read once by the caller.
void TransferSequenceEffects(const std::shared_ptr<office::Sequence>& seq, int n,
                             const std::string& oldName,
                             const std::shared_ptr<office::Shape>& newShape) {
    for (int i = 1; i <= n; ++i) {
        const bool mine = step_value<bool>(
            [&] {
                auto e = seq->Item(i);
                return Need(Need(e, "Sequence.Item").GetShape(), "Effect.Shape").Name() == oldName;
            },
            false);
        if (!mine) continue;

        std::shared_ptr<office::Effect> oldEffect;
        step([&] { oldEffect = seq->Item(i); });
        // Fresh per old effect: when AddEffect fails, the copy steps below
        // must find no destination rather than the previous iteration's.
        std::shared_ptr<office::Effect> newEffect;
        step([&] {
            auto& old = Need(oldEffect, "Effect");
            const int type = old.EffectType();
            const int index = old.Index();
            newEffect = seq->AddEffect(newShape, type, index);
        });

        step([&] { CopyEffectParameters(oldEffect, newEffect); });
        CopyBehaviors(oldEffect, newEffect);
        CopyTiming(oldEffect, newEffect);
        step([&] { Need(newEffect, "Effect").SetExit(Need(oldEffect, "Effect").Exit()); });
        step([&] { Need(oldEffect, "Effect").Delete(); });
    }
}

// A sequence started by clicking the old shape is started by clicking the
// new one; the trigger belongs to the whole sequence.
void RetargetTrigger(const std::shared_ptr<office::Sequence>& seq, int n, const std::string& oldName,
                     const std::shared_ptr<office::Shape>& newShape) {
    for (int i = 1; i <= n; ++i) {
        const bool done = step([&] {
            auto timing = Hold(Need(seq->Item(i), "Sequence.Item").Timing(), "Effect.Timing");
            if (Need(timing->TriggerShape(), "Timing.TriggerShape").Name() == oldName)
                timing->SetTriggerShape(newShape);
        });
        if (done) return;
    }
}

} // namespace

void TransferTimelineEffects(const std::shared_ptr<office::TimeLine>& timeline,
                             const std::shared_ptr<office::Shape>& oldShape,
                             const std::shared_ptr<office::Shape>& newShape) {
    // Without the old shape's name no effect can be recognised as its own.
    std::string oldName;
    std::shared_ptr<office::Sequence> seq;
    int n = 0;
    if (step([&] {
            seq = Need(timeline, "TimeLine").MainSequence();
            n = Need(seq, "TimeLine.MainSequence").Count();
        }) &&
        step([&] { oldName = Need(oldShape, "Shape").Name(); }))
        TransferSequenceEffects(seq, n, oldName, newShape);
    else if (!step([&] { oldName = Need(oldShape, "Shape").Name(); }))
        return;

    // Sequences started by a click on a shape: their trigger and their
    // effects follow the replacement as well.
    std::shared_ptr<office::Sequences> interactive;
    int k = 0;
    if (!step([&] {
            interactive = Need(timeline, "TimeLine").InteractiveSequences();
            k = Need(interactive, "TimeLine.InteractiveSequences").Count();
        }))
        return;
    for (int j = 1; j <= k; ++j) {
        std::shared_ptr<office::Sequence> q;
        int m = 0;
        if (!step([&] {
                q = Hold(interactive->Item(j), "Sequences.Item");
                m = q->Count();
            }))
            continue;
        RetargetTrigger(q, m, oldName, newShape);
        TransferSequenceEffects(q, m, oldName, newShape);
    }
}

} // namespace quillmax::engine
