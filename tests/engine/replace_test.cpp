// File: tests/engine/replace_test.cpp
#include "engine/replace.h"

#include "engine_fixture.h"

namespace quillmax::test {
namespace {

using engine::MoveToZOrderOf;
using engine::ReattachConnectors;
using engine::ReplaceShape;

class ReplaceTest : public EngineTest {};

TEST_F(ReplaceTest, ZOrderLoopStopsAtTheOldPosition) {
    slide->AddShape("back", office::ppt::kShapeAuto);
    auto old = slide->AddShape("old", office::ppt::kShapePicture);
    slide->AddShape("front", office::ppt::kShapeAuto);
    auto neu = slide->AddShape("new", office::ppt::kShapePicture);
    MoveToZOrderOf(neu, 2);
    EXPECT_EQ(SlideNames(), (std::vector<std::string>{"back", "new", "old", "front"}));
    EXPECT_EQ(Calls("Shape.ZOrder"), 2);
}

TEST_F(ReplaceTest, ZOrderLoopEndsWhenZOrderHasNoEffect) {
    // A shape that ZOrder cannot move: the fake ignores ZOrder on members.
    auto neu = slide->AddShape("new", office::ppt::kShapePicture);
    slide->AddGroup("g", {neu});
    MoveToZOrderOf(neu, 0);
    EXPECT_EQ(Calls("Shape.ZOrder"), 1);
}

std::shared_ptr<FakeShape> AddConnector(FakeSlide& slide, const std::string& name,
                                        std::shared_ptr<FakeShape> begin, int beginSite,
                                        std::shared_ptr<FakeShape> end, int endSite, FakeOffice& o) {
    auto c = slide.AddShape(name, office::ppt::kShapeLine);
    c->isConnector = true;
    c->connector = std::make_shared<FakeConnectorFormat>(&o);
    c->connector->begin = begin;
    c->connector->beginSite = beginSite;
    c->connector->end = end;
    c->connector->endSite = endSite;
    return c;
}

TEST_F(ReplaceTest, ConnectorsAreMatchedByName) {
    auto old = slide->AddShape("Picture 1", office::ppt::kShapePicture);
    auto namesake = slide->AddShape("Picture 1", office::ppt::kShapeAuto);
    auto other = slide->AddShape("Box", office::ppt::kShapeAuto);
    auto neu = slide->AddShape("Picture 9", office::ppt::kShapePicture);
    auto c1 = AddConnector(*slide, "c1", old, 3, other, 2, w.office);
    auto c2 = AddConnector(*slide, "c2", other, 1, namesake, 4, w.office);

    ReattachConnectors(slide->collection, old, neu);
    EXPECT_EQ(c1->connector->begin, neu);
    EXPECT_EQ(c1->connector->beginSite, 3);
    EXPECT_EQ(c1->connector->end, other); // the other end stays
    EXPECT_EQ(c2->connector->begin, other);
    EXPECT_EQ(c2->connector->end, neu); // a namesake's glue moves too
    EXPECT_EQ(c2->connector->endSite, 4);
}

TEST_F(ReplaceTest, ConnectorFailureEndsTheWholeOperation) {
    auto old = slide->AddShape("old", office::ppt::kShapePicture);
    auto neu = slide->AddShape("new", office::ppt::kShapePicture);
    auto c1 = AddConnector(*slide, "c1", old, 1, nullptr, 0, w.office);
    auto c2 = AddConnector(*slide, "c2", old, 2, nullptr, 0, w.office);
    c1->connector->fails.FailOn("ConnectorFormat.BeginConnect");
    EXPECT_NO_THROW(ReattachConnectors(slide->collection, old, neu));
    EXPECT_EQ(c2->connector->begin, old);
}

TEST_F(ReplaceTest, ReplaceShapeTakesOverAndDeletesTheOld) {
    auto old = slide->AddShape("old", office::ppt::kShapeMedia);
    slide->AddShape("front", office::ppt::kShapeAuto);
    auto neu = slide->AddShape("new", office::ppt::kShapeMedia);
    old->actions[0]->action = 7;
    old->actions[1]->action = 3;
    ReplaceShape(s(), old, neu, slide, false);
    EXPECT_TRUE(old->deleted);
    EXPECT_EQ(SlideNames(), (std::vector<std::string>{"new", "front"}));
    EXPECT_EQ(neu->actions[0]->action, 7);
    EXPECT_EQ(neu->actions[1]->action, 3);
    EXPECT_EQ(Calls("Slide.TimeLine"), 0); // group member: no animation transfer
}

TEST_F(ReplaceTest, FailureFetchingAnActionSettingKeepsTheOldShape) {
    auto old = slide->AddShape("old", office::ppt::kShapeMedia);
    auto neu = slide->AddShape("new", office::ppt::kShapeMedia);
    auto other = slide->AddShape("Box", office::ppt::kShapeAuto);
    auto c = AddConnector(*slide, "c", old, 1, other, 1, w.office);
    old->fails.FailOn("Shape.ActionSettings", 1); // index 2
    EXPECT_THROW(ReplaceShape(s(), old, neu, slide, true), office::AutomationError);
    EXPECT_FALSE(old->deleted);
    EXPECT_EQ(c->connector->begin, old);
}

} // namespace
} // namespace quillmax::test
