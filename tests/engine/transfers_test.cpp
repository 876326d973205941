// File: tests/engine/transfers_test.cpp
// The attribute transfers on the fake object model: timeline effects
// rebuilt in place on the replacement, the type copiers and their
// containment; actions, hyperlinks, sounds and legacy animation settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/transfers.h"
#include "support/fake_office.h"

namespace quillmax::test {
namespace {

using office::Value;

class TransfersTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeShape> Shape(const std::string& name) {
        return std::make_shared<FakeShape>(&office, name, office::ppt::kShapePicture);
    }
    // Assignment calls on one object, in order ("MotionEffect.SetPath", ...).
    std::vector<std::string> SetsOn(const std::string& object) const {
        std::vector<std::string> out;
        for (const auto& c : office.calls)
            if (c.rfind(object + ".Set", 0) == 0) out.push_back(c);
        return out;
    }

    FakeOffice office;
    std::shared_ptr<FakeTimeLine> timeline = std::make_shared<FakeTimeLine>(&office);
    std::shared_ptr<FakeShape> oldShape = Shape("Picture 2");
    std::shared_ptr<FakeShape> newShape = Shape("Picture 9");
};

TEST_F(TransfersTest, EffectsAtTwoAndFiveOfSixEndOnTheNewShapeInPlace) {
    auto b = Shape("Rectangle 3"), c = Shape("Rectangle 4");
    auto& seq = *timeline->main;
    auto e1 = seq.Append(b, 10);
    auto old2 = seq.Append(oldShape, 22);
    auto e3 = seq.Append(c, 10);
    auto e4 = seq.Append(b, 1);
    auto old5 = seq.Append(oldShape, 23);
    auto e6 = seq.Append(c, 10);
    old2->timing->Poke("TriggerType", 2);
    old2->timing->Poke("TriggerDelayTime", 0.25);
    old2->timing->Poke("Duration", 1.5);
    old5->timing->Poke("TriggerType", 3);
    old5->exit = -1;
    old5->params->Poke("Direction", 4);
    old5->params->color2->Poke("RGB", 0x00FF00);

    engine::TransferTimelineEffects(timeline, oldShape, newShape);

    ASSERT_EQ(seq.effects.size(), 6u);
    EXPECT_EQ(seq.effects[0], e1);
    EXPECT_EQ(seq.effects[2], e3);
    EXPECT_EQ(seq.effects[3], e4);
    EXPECT_EQ(seq.effects[5], e6);
    auto n2 = seq.effects[1], n5 = seq.effects[4];
    EXPECT_EQ(n2->shape, newShape);
    EXPECT_EQ(n2->effectType, 22);
    EXPECT_EQ(n5->shape, newShape);
    EXPECT_EQ(n5->effectType, 23);
    EXPECT_TRUE(old2->deleted);
    EXPECT_TRUE(old5->deleted);
    EXPECT_EQ(n2->timing->Peek("TriggerType"), Value(2));
    EXPECT_EQ(n2->timing->Peek("TriggerDelayTime"), Value(0.25));
    EXPECT_EQ(n2->timing->Peek("Duration"), Value(1.5));
    EXPECT_EQ(n5->timing->Peek("TriggerType"), Value(3));
    EXPECT_EQ(n5->exit, Value(-1));
    EXPECT_EQ(n5->params->Peek("Direction"), Value(4));
    EXPECT_EQ(n5->params->color2->Peek("RGB"), Value(0x00FF00));
    // The thirteen timing fields, in their order, on the one Timing object.
    std::vector<std::string> timing = SetsOn("Timing");
    ASSERT_EQ(timing.size(), 26u);
    EXPECT_EQ(timing.front(), "Timing.SetAccelerate");
    EXPECT_EQ(timing[12], "Timing.SetTriggerType");
    // Nobody else's effect was touched.
    for (auto& e : {e1, e3, e4, e6}) EXPECT_EQ(e->timing->Peek("TriggerType"), Value(1));
}

TEST_F(TransfersTest, NothingHappensWithoutEffectsOfTheOldShape) {
    engine::TransferTimelineEffects(timeline, oldShape, newShape);
    EXPECT_EQ(office.CountCalls("Sequence.AddEffect"), 0);
    auto other = timeline->main->Append(Shape("Rectangle 3"), 10);
    engine::TransferTimelineEffects(timeline, oldShape, newShape);
    EXPECT_EQ(office.CountCalls("Sequence.AddEffect"), 0);
    EXPECT_EQ(timeline->main->effects.size(), 1u);
    // An effect whose shape cannot be read is not the old shape's.
    other->shape = oldShape;
    other->fails.FailOn("Effect.Shape");
    engine::TransferTimelineEffects(timeline, oldShape, newShape);
    EXPECT_FALSE(other->deleted);
    EXPECT_EQ(office.CountCalls("Sequence.AddEffect"), 0);
}

TEST_F(TransfersTest, MotionPathCarriesPathAndCoordinatesInOrder) {
    office.defaultBehaviorTypes[64] = {1};
    auto old = timeline->main->Append(oldShape, 64);
    auto motion = old->AddBehavior(1);
    motion->Poke("Additive", 2);
    const std::vector<std::pair<const char*, Value>> fields = {
        {"ByX", 10.0}, {"ByY", -5.0}, {"FromX", 0.0}, {"FromY", 1.0},
        {"Path", "M 0 0 L 0.25 0.1 E"}, {"ToX", 10.0}, {"ToY", -4.0}};
    for (auto& [f, v] : fields) motion->motion->Poke(f, v);

    engine::TransferTimelineEffects(timeline, oldShape, newShape);

    auto fresh = timeline->main->effects.at(0);
    ASSERT_EQ(fresh->behaviors->items.size(), 1u);
    auto nb = fresh->behaviors->items[0];
    EXPECT_EQ(nb->Peek("Additive"), Value(2));
    for (auto& [f, v] : fields) EXPECT_EQ(nb->motion->Peek(f), v) << f;
    EXPECT_EQ(SetsOn("MotionEffect"),
              (std::vector<std::string>{"MotionEffect.SetByX", "MotionEffect.SetByY", "MotionEffect.SetFromX",
                                        "MotionEffect.SetFromY", "MotionEffect.SetPath", "MotionEffect.SetToX",
                                        "MotionEffect.SetToY"}));
}

TEST_F(TransfersTest, PropertyPointsAreAppendedAfterTheExistingOnes) {
    office.defaultBehaviorTypes[10] = {5};
    auto old = timeline->main->Append(oldShape, 10);
    auto prop = old->AddBehavior(5);
    prop->property->Poke("Property", 1);
    prop->property->Poke("From", "#ppt_x");
    prop->property->points->smooth = true;
    for (int p = 0; p < 3; ++p) {
        auto pt = prop->property->points->Add();
        pt->Set("Formula", "f" + std::to_string(p));
        pt->Set("Time", p * 0.5);
        pt->Set("Value", 100 + p);
    }
    engine::TransferTimelineEffects(timeline, oldShape, newShape);

    auto nb = timeline->main->effects.at(0)->behaviors->items.at(0);
    auto& pts = nb->property->points->items;
    ASSERT_EQ(pts.size(), 3u);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(pts[p]->Peek("Formula"), Value("f" + std::to_string(p)));
        EXPECT_EQ(pts[p]->Peek("Time"), Value(p * 0.5));
        EXPECT_EQ(pts[p]->Peek("Value"), Value(100 + p));
    }
    EXPECT_TRUE(nb->property->points->smooth);
    EXPECT_EQ(nb->property->Peek("Property"), Value(1));
    EXPECT_EQ(nb->property->Peek("From"), Value("#ppt_x"));
}

TEST_F(TransfersTest, AFailingPointEndsThePropertyCopierOnly) {
    office.defaultBehaviorTypes[10] = {5, 8};
    auto old = timeline->main->Append(oldShape, 10);
    auto prop = old->AddBehavior(5);
    for (int p = 0; p < 3; ++p) prop->property->points->Add()->Set("Time", p * 0.5);
    old->AddBehavior(8)->Poke("Accumulate", 2);
    old->timing->Poke("Duration", 3.0);
    office.FailOn("Points.Add", 1); // the second point cannot be added

    engine::TransferTimelineEffects(timeline, oldShape, newShape);

    auto fresh = timeline->main->effects.at(0);
    EXPECT_EQ(fresh->behaviors->items[0]->property->points->items.size(), 1u);
    EXPECT_EQ(fresh->behaviors->items[1]->Peek("Accumulate"), Value(2));
    EXPECT_EQ(fresh->timing->Peek("Duration"), Value(3.0));
}

TEST_F(TransfersTest, FilterAndSetCarryOnlyTheCommonFields) {
    office.defaultBehaviorTypes[10] = {7, 8};
    auto old = timeline->main->Append(oldShape, 10);
    for (int type : {7, 8}) {
        auto b = old->AddBehavior(type);
        b->Poke("Accumulate", 2);
        b->Poke("Additive", 2);
        // Whatever the sub-objects hold is not the filter's or set's business.
        b->motion->Poke("Path", "M 0 0 E");
        b->color->Poke("By", 5);
    }

    engine::TransferTimelineEffects(timeline, oldShape, newShape);

    auto fresh = timeline->main->effects.at(0);
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(fresh->behaviors->items[j]->Peek("Accumulate"), Value(2));
        EXPECT_EQ(fresh->behaviors->items[j]->Peek("Additive"), Value(2));
    }
    for (const char* sub : {"ColorEffect", "CommandEffect", "MotionEffect", "PropertyEffect", "RotationEffect",
                            "ScaleEffect"})
        EXPECT_TRUE(SetsOn(sub).empty()) << sub;
    EXPECT_EQ(SetsOn("Behavior").size(), 6u);
}

TEST_F(TransfersTest, FirstFailingFieldEndsOnlyItsCopier) {
    office.defaultBehaviorTypes[54] = {2, 4};
    auto old = timeline->main->Append(oldShape, 54);
    auto colour = old->AddBehavior(2);
    for (const char* f : {"By", "From", "To"}) colour->color->Poke(f, 7);
    auto rot = old->AddBehavior(4);
    for (const char* f : {"By", "From", "To"}) rot->rotation->Poke(f, 90.0);
    office.FailOn("ColorEffect.SetBy");

    engine::TransferTimelineEffects(timeline, oldShape, newShape);

    auto fresh = timeline->main->effects.at(0);
    EXPECT_TRUE(fresh->behaviors->items[0]->color->Peek("From").is_empty());
    EXPECT_TRUE(fresh->behaviors->items[0]->color->Peek("To").is_empty());
    EXPECT_EQ(fresh->behaviors->items[1]->rotation->Peek("To"), Value(90.0));
    EXPECT_TRUE(old->deleted);
}

TEST_F(TransfersTest, AFailingAddEffectNeverWritesIntoTheEarlierNewEffect) {
    auto& seq = *timeline->main;
    auto first = seq.Append(oldShape, 10);
    auto other = seq.Append(Shape("Rectangle 3"), 10);
    auto second = seq.Append(oldShape, 22);
    first->timing->Poke("Duration", 1.0);
    second->timing->Poke("Duration", 9.0);
    second->timing->Poke("TriggerType", 3);
    second->exit = -1;
    office.FailOn("Sequence.AddEffect", 1); // the second AddEffect fails

    engine::TransferTimelineEffects(timeline, oldShape, newShape);

    ASSERT_EQ(seq.effects.size(), 2u);
    auto fresh = seq.effects[0];
    EXPECT_EQ(fresh->shape, newShape);
    EXPECT_EQ(fresh->timing->Peek("Duration"), Value(1.0));
    EXPECT_EQ(fresh->timing->Peek("TriggerType"), Value(1));
    EXPECT_EQ(fresh->exit, Value(0));
    EXPECT_EQ(seq.effects[1], other);
    // The old effect goes even though nothing could be copied.
    EXPECT_TRUE(second->deleted);
}

TEST_F(TransfersTest, EachStepIsContainedOnItsOwn) {
    office.defaultBehaviorTypes[10] = {8};
    auto old = timeline->main->Append(oldShape, 10);
    old->AddBehavior(8)->Poke("Additive", 2);
    old->timing->Poke("Duration", 2.0);
    old->timing->Poke("RepeatCount", 3);
    old->params->Poke("Amount", 0.5);
    old->params->Poke("Size", 150);
    office.FailOn("Behavior.SetAccumulate");
    office.FailOn("Timing.SetDuration");
    office.FailOn("EffectParameters.SetAmount");
    office.FailOn("Effect.SetExit");

    engine::TransferTimelineEffects(timeline, oldShape, newShape);

    auto fresh = timeline->main->effects.at(0);
    EXPECT_EQ(fresh->behaviors->items[0]->Peek("Additive"), Value(2));
    EXPECT_EQ(fresh->timing->Peek("RepeatCount"), Value(3));
    EXPECT_EQ(fresh->params->Peek("Size"), Value(150));
    EXPECT_TRUE(old->deleted);
    EXPECT_EQ(timeline->main->effects.size(), 1u);
}

// ---- actions, hyperlinks, sounds, animation settings ------------------------

void FillAction(FakeActionSetting& a, const std::string& tag) {
    a.action = 7;
    a.animateAction = -1;
    a.run = "run-" + tag;
    a.slideShowName = "show-" + tag;
    a.hyperlink->address = "https://example.org/" + tag;
    a.hyperlink->subAddress = "sub-" + tag;
    a.hyperlink->screenTip = "tip-" + tag;
    a.hyperlink->textToDisplay = "text-" + tag;
    a.hyperlink->emailSubject = "subject-" + tag;
    a.hyperlink->showAndReturn = true;
    a.sound->name = "chime-" + tag + ".wav";
    a.sound->type = 2;
}

TEST_F(TransfersTest, AnUnassignableAddressStopsOnlyTheHyperlink) {
    auto src = oldShape->actions[0], dst = newShape->actions[0];
    FillAction(*src, "a");
    dst->hyperlink->fails.FailOn("Hyperlink.SetAddress");

    engine::CopyActionSetting(src, dst);

    EXPECT_EQ(dst->hyperlink->emailSubject, "");
    EXPECT_EQ(dst->hyperlink->screenTip, "");
    EXPECT_FALSE(dst->hyperlink->showAndReturn);
    EXPECT_EQ(dst->hyperlink->textToDisplay, "");
    EXPECT_EQ(dst->sound->name, "chime-a.wav");
    EXPECT_EQ(dst->sound->type, 2);
    EXPECT_EQ(dst->action, 7);
    EXPECT_EQ(dst->animateAction, -1);
    EXPECT_EQ(dst->run, "run-a");
    EXPECT_EQ(dst->slideShowName, "show-a");
}

TEST_F(TransfersTest, AnUnassignableSoundNameSkipsItsTypeButNotTheActionFields) {
    auto src = oldShape->actions[0], dst = newShape->actions[0];
    FillAction(*src, "a");
    dst->sound->fails.FailOn("SoundEffect.SetName");

    engine::CopyActionSetting(src, dst);

    EXPECT_EQ(dst->sound->type, 0);
    EXPECT_EQ(dst->hyperlink->address, "https://example.org/a");
    EXPECT_TRUE(dst->hyperlink->showAndReturn);
    EXPECT_EQ(dst->action, 7);
    EXPECT_EQ(dst->slideShowName, "show-a");
}

TEST_F(TransfersTest, ClickAndHoverAreCopiedIndependently) {
    FillAction(*oldShape->actions[0], "click");
    FillAction(*oldShape->actions[1], "hover");
    newShape->actions[0]->fails.FailOn("ActionSetting.Hyperlink");
    newShape->actions[0]->fails.FailOn("ActionSetting.SetAction");

    engine::CopyActionSetting(oldShape->actions[0], newShape->actions[0]);
    engine::CopyActionSetting(oldShape->actions[1], newShape->actions[1]);

    auto& click = *newShape->actions[0];
    auto& hover = *newShape->actions[1];
    EXPECT_EQ(click.hyperlink->address, "");
    EXPECT_EQ(click.action, 0);
    EXPECT_EQ(click.run, "run-click");
    EXPECT_EQ(hover.hyperlink->address, "https://example.org/hover");
    EXPECT_EQ(hover.hyperlink->subAddress, "sub-hover");
    EXPECT_EQ(hover.action, 7);
    EXPECT_EQ(hover.sound->name, "chime-hover.wav");
}

TEST_F(TransfersTest, HyperlinkAndSoundComeBeforeTheActionFields) {
    FillAction(*oldShape->actions[0], "a");
    engine::CopyActionSetting(oldShape->actions[0], newShape->actions[0]);
    std::vector<std::string> sets;
    for (const auto& c : office.calls)
        if (c.find(".Set") != std::string::npos) sets.push_back(c);
    EXPECT_EQ(sets, (std::vector<std::string>{
                        "Hyperlink.SetAddress", "Hyperlink.SetEmailSubject", "Hyperlink.SetScreenTip",
                        "Hyperlink.SetShowAndReturn", "Hyperlink.SetSubAddress", "Hyperlink.SetTextToDisplay",
                        "SoundEffect.SetName", "SoundEffect.SetType", "ActionSetting.SetAction",
                        "ActionSetting.SetAnimateAction", "ActionSetting.SetRun", "ActionSetting.SetSlideShowName"}));
}

TEST_F(TransfersTest, AnimationSettingsGoOnPastAFailingAdvanceTime) {
    const std::vector<std::string> members = {"AdvanceMode",    "AdvanceTime",    "AfterEffect",
                                              "AnimateBackground", "AnimateTextInReverse", "TextLevelEffect",
                                              "TextUnitEffect", "DimColor",       "EntryEffect",
                                              "Animate",        "AnimationOrder"};
    int k = 0;
    for (const auto& m : members) oldShape->animationSettings->Poke(m, ++k);
    newShape->animationSettings->RefuseSet("AdvanceTime");

    engine::CopyAnimationSettings(oldShape, newShape);

    k = 0;
    for (const auto& m : members) {
        ++k;
        if (m == "AdvanceTime") EXPECT_TRUE(newShape->animationSettings->Peek(m).is_empty());
        else EXPECT_EQ(newShape->animationSettings->Peek(m), Value(k)) << m;
    }
    auto sets = SetsOn("AnimationSettings");
    ASSERT_EQ(sets.size(), members.size());
    EXPECT_EQ(sets.back(), "AnimationSettings.SetAnimationOrder");
}

TEST_F(TransfersTest, ClickTriggeredSequenceAndItsEffectsFollowTheNewShape) {
    auto other = Shape("Rectangle 3");
    // Clicking the old picture plays an effect on it and one on another shape.
    auto mine = timeline->AddInteractive(oldShape);
    mine->Append(other, 10);
    mine->Append(oldShape, 23)->timing->Poke("Duration", 2.0);
    // Clicking another shape plays an effect on the old picture.
    auto theirs = timeline->AddInteractive(other);
    theirs->Append(oldShape, 10);

    engine::TransferTimelineEffects(timeline, oldShape, newShape);
    EXPECT_EQ(mine->trigger, newShape);
    ASSERT_EQ(mine->effects.size(), 2u);
    EXPECT_EQ(mine->effects[0]->shape, other);
    EXPECT_EQ(mine->effects[1]->shape, newShape);
    EXPECT_EQ(mine->effects[1]->effectType, 23);
    EXPECT_EQ(mine->effects[1]->timing->Peek("Duration"), Value(2.0));
    EXPECT_EQ(theirs->trigger, other);
    ASSERT_EQ(theirs->effects.size(), 1u);
    EXPECT_EQ(theirs->effects[0]->shape, newShape);
}

TEST_F(TransfersTest, FailingInteractiveSequencesLeaveTheMainSequenceDone) {
    timeline->main->Append(oldShape, 10);
    timeline->AddInteractive(oldShape)->Append(oldShape, 10);
    office.FailOn("TimeLine.InteractiveSequences");
    engine::TransferTimelineEffects(timeline, oldShape, newShape);
    ASSERT_EQ(timeline->main->effects.size(), 1u);
    EXPECT_EQ(timeline->main->effects[0]->shape, newShape);
}

TEST_F(TransfersTest, VisibilityAltTextAndTitleAreCarriedEachOnItsOwn) {
    oldShape->visible = false;
    oldShape->alternativeText = "地図";
    oldShape->title = "Map";
    newShape->fails.FailOn("Shape.SetAlternativeText");
    engine::CopyShapeAttributes(oldShape, newShape);
    EXPECT_FALSE(newShape->visible);
    EXPECT_EQ(newShape->alternativeText, "");
    EXPECT_EQ(newShape->title, "Map");
}

} // namespace
} // namespace quillmax::test
