// File: platform/com/timeline_objects.cpp
// The animation timeline over IDispatch: main sequence, effects, their
// behaviours and property objects (read and assigned by name).
#include "platform/com/objects.h"

namespace quillmax::com {
namespace {

using namespace office;

std::shared_ptr<Dispatch> Bag(const Object& o, const char* member) {
    return Make<PropertyBag>(o.GetObj(member, member));
}

class ComAnimationPoints : public AnimationPoints, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<Dispatch> Item(int index) override {
        return Make<PropertyBag>(o_.CallObj("Item", "AnimationPoint", {index}));
    }
    std::shared_ptr<Dispatch> Add() override { return Make<PropertyBag>(o_.CallObj("Add", "AnimationPoint")); }
    bool Smooth() override { return o_.Get("Smooth").as_bool(); }
    void SetSmooth(bool v) override { o_.Put("Smooth", v); }
};

class ComPropertyEffect : public PropertyEffect, public PropertyBag {
public:
    using PropertyBag::PropertyBag;
    std::shared_ptr<AnimationPoints> Points() override {
        return Make<ComAnimationPoints>(o_.GetObj("Points", "AnimationPoints"));
    }
};

class ComAnimationBehavior : public AnimationBehavior, public PropertyBag {
public:
    using PropertyBag::PropertyBag;
    std::shared_ptr<Dispatch> ColorEffect() override { return Bag(o_, "ColorEffect"); }
    std::shared_ptr<Dispatch> CommandEffect() override { return Bag(o_, "CommandEffect"); }
    std::shared_ptr<Dispatch> MotionEffect() override { return Bag(o_, "MotionEffect"); }
    std::shared_ptr<PropertyEffect> GetPropertyEffect() override {
        return Make<ComPropertyEffect>(o_.GetObj("PropertyEffect", "PropertyEffect"));
    }
    std::shared_ptr<Dispatch> RotationEffect() override { return Bag(o_, "RotationEffect"); }
    std::shared_ptr<Dispatch> ScaleEffect() override { return Bag(o_, "ScaleEffect"); }
};

class ComAnimationBehaviors : public AnimationBehaviors, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<AnimationBehavior> Item(int index) override {
        return Make<ComAnimationBehavior>(o_.CallObj("Item", "AnimationBehavior", {index}));
    }
};

class ComEffectParameters : public EffectParameters, public PropertyBag {
public:
    using PropertyBag::PropertyBag;
    std::shared_ptr<Dispatch> Color2() override { return Bag(o_, "Color2"); }
};

class ComTiming : public EffectTiming, public PropertyBag {
public:
    using PropertyBag::PropertyBag;
    std::shared_ptr<Shape> TriggerShape() override { return WrapShape(o_.GetObj("TriggerShape", "Shape")); }
    void SetTriggerShape(const std::shared_ptr<Shape>& shape) override {
        o_.Put("TriggerShape", ShapeObject(shape).AsValue());
    }
};

class ComEffect : public Effect, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::shared_ptr<Shape> GetShape() override { return WrapShape(o_.GetObj("Shape", "Shape")); }
    int EffectType() override { return Int(o_.Get("EffectType")); }
    int Index() override { return Int(o_.Get("Index")); }
    std::shared_ptr<EffectParameters> GetEffectParameters() override {
        return Make<ComEffectParameters>(o_.GetObj("EffectParameters", "EffectParameters"));
    }
    std::shared_ptr<AnimationBehaviors> Behaviors() override {
        return Make<ComAnimationBehaviors>(o_.GetObj("Behaviors", "AnimationBehaviors"));
    }
    std::shared_ptr<EffectTiming> Timing() override { return Make<ComTiming>(o_.GetObj("Timing", "Timing")); }
    Value Exit() override { return o_.Get("Exit"); }
    void SetExit(const Value& v) override { o_.Put("Exit", v); }
    void Delete() override { o_.Call("Delete"); }
};

class ComSequence : public Sequence, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<Effect> Item(int index) override {
        return Make<ComEffect>(o_.CallObj("Item", "Effect", {index}));
    }
    // AddEffect(Shape, effectId, Level, trigger, Index): level and trigger
    // keep their defaults.
    std::shared_ptr<Effect> AddEffect(const std::shared_ptr<Shape>& shape, int effectId,
                                      int index) override {
        return Make<ComEffect>(o_.CallObj("AddEffect", "Effect",
                                             {ShapeObject(shape).AsValue(), effectId, Missing(),
                                              Missing(), index}));
    }
};

class ComSequences : public Sequences, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<Sequence> Item(int index) override {
        return Make<ComSequence>(o_.CallObj("Item", "Sequence", {index}));
    }
};

class ComTimeLine : public TimeLine, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::shared_ptr<Sequence> MainSequence() override {
        return Make<ComSequence>(o_.GetObj("MainSequence", "Sequence"));
    }
    std::shared_ptr<Sequences> InteractiveSequences() override {
        return Make<ComSequences>(o_.GetObj("InteractiveSequences", "Sequences"));
    }
};

} // namespace

std::shared_ptr<TimeLine> WrapTimeLine(Object o) { return Make<ComTimeLine>(std::move(o)); }

} // namespace quillmax::com
