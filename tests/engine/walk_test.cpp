// File: tests/engine/walk_test.cpp
#include "engine/walk.h"

#include "engine_fixture.h"

namespace quillmax::test {
namespace {

class WalkTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        w.view.status = "処理中";
    }
    std::string Walk() { return engine::CompressSlide(s(), slide, nullptr, true); }
    bool AnyNamed(const std::string& prefix) const {
        for (auto& sh : slide->shapes)
            if (sh->name.rfind(prefix, 0) == 0) return true;
        return false;
    }
    // A group of three heavy pictures side by side.
    std::shared_ptr<FakeShape> AddPictureGroup(const std::string& name, double x) {
        std::vector<std::shared_ptr<FakeShape>> members;
        for (int i = 0; i < 3; ++i) {
            auto p = AddPicture(name + " member " + std::to_string(i), 100000);
            p->name = "Picture " + name + std::to_string(i);
            p->left = x + 210 * i;
            members.push_back(p);
        }
        return slide->AddGroup(name, members);
    }
};

TEST_F(WalkTest, EmptySlideReturnsAtOnceWithoutADot) {
    EXPECT_EQ(Walk(), "");
    EXPECT_EQ(w.view.status, "処理中");
    EXPECT_EQ(w.view.doEvents, 0);
}

TEST_F(WalkTest, EveryShapeIsVisitedOnceAndReplacementsAreNot) {
    AddPicture("Picture 1", 100000);
    slide->AddShape("Rectangle 2", office::ppt::kShapeAuto);
    AddPicture("Picture 3", 100000);
    Walk();
    EXPECT_EQ(w.view.doEvents, 3);
    EXPECT_EQ(w.view.status, "処理中.");
    EXPECT_EQ(ppt->windowState, office::ppt::kWindowMinimized);
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 2);
    EXPECT_FALSE(slide->Find("Picture 1"));
    EXPECT_TRUE(slide->Find("Rectangle 2"));
}

TEST_F(WalkTest, ClassificationIsByNameOnly) {
    auto rect = slide->AddShape("PICTURE frame", office::ppt::kShapeAuto, 100000);
    auto zu = slide->AddShape("図 4", office::ppt::kShapePicture, 100000);
    auto unnamed = slide->AddShape("Photo 5", office::ppt::kShapePicture, 100000);
    auto media = slide->AddShape("picture 6", office::ppt::kShapeMedia, 100000);
    Walk();
    EXPECT_TRUE(rect->deleted);
    EXPECT_TRUE(zu->deleted);
    EXPECT_FALSE(unnamed->deleted);
    EXPECT_FALSE(media->deleted);
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 2);
}

TEST_F(WalkTest, AllPicturesTakesPicturesByWhatTheyAre) {
    auto named = slide->AddShape("Shape 61", office::ppt::kShapePicture, 100000);
    auto empty = slide->AddShape("", office::ppt::kShapePicture, 100000);
    auto linked = slide->AddShape("pasted-image.tiff", office::ppt::kShapeLinkedPicture, 100000);
    auto holder = slide->AddShape("コンテンツ プレースホルダー 4", office::ppt::kShapePlaceholder, 100000);
    holder->containedType = office::ppt::kShapePicture;
    auto text = slide->AddShape("Title 1", office::ppt::kShapePlaceholder, 100000);
    auto media = slide->AddShape("Grafik 3", office::ppt::kShapeMedia, 100000);
    auto rect = slide->AddShape("Rectangle 2", office::ppt::kShapeAuto, 100000);
    // SVG pictures keep their drawing, whatever their name says: only their
    // bitmap is redone, after the slides.
    auto svg = slide->AddShape("Picture 7", office::ppt::kShapeGraphic, 100000);
    auto svgHolder = slide->AddShape("Content Placeholder 8", office::ppt::kShapePlaceholder, 100000);
    svgHolder->containedType = office::ppt::kShapeGraphic;

    Walk(); // off: names only, as always
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 1);
    EXPECT_TRUE(svg->deleted);
    svg = slide->AddShape("Picture 7", office::ppt::kShapeGraphic, 100000);

    s().allPicturesForRun = true;
    Walk();
    for (auto& p : {named, empty, linked, holder}) EXPECT_TRUE(p->deleted) << p->name;
    for (auto& p : {text, media, rect, svg, svgHolder}) EXPECT_FALSE(p->deleted) << p->name;
    EXPECT_EQ(w.settings.AllPictures, 0); // the run's flag is not the setting
}

TEST_F(WalkTest, GroupOfThreePicturesIsRebuiltFromTheReplacements) {
    auto group = AddPictureGroup("Group 1", 0);
    slide->AddShape("Title", office::ppt::kShapeAuto);
    auto effect = slide->timeline->main->Append(group, 10);
    (void)effect;

    Walk();
    ASSERT_EQ(slide->shapes.size(), 2u);
    auto rebuilt = slide->shapes[0];
    EXPECT_EQ(rebuilt->type, office::ppt::kShapeGroup);
    ASSERT_EQ(rebuilt->children.size(), 3u);
    for (auto& m : rebuilt->children) EXPECT_EQ(m->pastedFormat, office::ppt::kPasteJPG);
    EXPECT_FALSE(AnyNamed("Rectangle"));
    EXPECT_FALSE(AnyNamed("Oval"));
    EXPECT_EQ(w.view.status, "処理中.."); // one dot per level
    EXPECT_EQ(w.view.doEvents, 2 + 3);
    ASSERT_EQ(slide->timeline->main->effects.size(), 1u);
    EXPECT_EQ(slide->timeline->main->effects[0]->shape, rebuilt);
}

TEST_F(WalkTest, NestedGroupIsRebuiltInsideTheOuterOne) {
    auto inner = AddPictureGroup("Inner", 0);
    auto extra = AddPicture("Picture X", 100000);
    extra->top = 300;
    slide->AddGroup("Outer", {inner, extra});
    Walk();
    ASSERT_EQ(slide->shapes.size(), 1u);
    auto outer = slide->shapes[0];
    ASSERT_EQ(outer->children.size(), 2u);
    int groups = 0;
    for (auto& m : outer->children)
        if (m->type == office::ppt::kShapeGroup) {
            ++groups;
            EXPECT_EQ(m->children.size(), 3u);
        }
    EXPECT_EQ(groups, 1);
    EXPECT_EQ(w.view.doEvents, 1 + 2 + 3);
}

TEST_F(WalkTest, SmallOrUnmeasurableGroupsStayWhole) {
    auto group = AddPictureGroup("Group 1", 0); // 620 x 100 points
    w.settings.PixelSize = "100";               // height not greater
    Walk();
    EXPECT_FALSE(group->deleted);
    EXPECT_EQ(w.view.doEvents, 1);

    w.settings.PixelSize = "abc";
    Walk();
    EXPECT_FALSE(group->deleted);
    EXPECT_EQ(w.view.doEvents, 2);
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 0);
}

TEST_F(WalkTest, FailedGroupPreparationKeepsTheSubGroupInItsLevel) {
    auto inner = AddPictureGroup("Inner", 0);
    auto extra = AddPicture("Picture X", 100000);
    extra->top = 300;
    slide->AddGroup("Outer", {inner, extra});
    // The outer level's placeholder groups; the inner one's does not.
    w.office.FailOn("ShapeRange.Group", 1, 1);
    Walk();
    std::shared_ptr<FakeShape> outer;
    for (auto& sh : slide->shapes)
        if (sh->type == office::ppt::kShapeGroup) outer = sh;
    ASSERT_TRUE(outer);
    bool innerKept = false;
    for (auto& m : outer->children) innerKept |= m == inner;
    EXPECT_TRUE(innerKept);
    EXPECT_EQ(inner->children.size(), 3u);
}

TEST_F(WalkTest, SameNamedGroupsEachKeepTheirOwnEffectsAndLook) {
    std::vector<std::shared_ptr<FakeShape>> groups;
    for (int k = 0; k < 3; ++k) {
        groups.push_back(AddPictureGroup("Group 62", 0));
        groups.back()->top = 200.0 * k;
        slide->timeline->main->Append(groups.back(), 10 + k); // each its own effect type
    }
    groups[1]->visible = false;
    groups[2]->alternativeText = "chart";
    // A namesake of the groups' temporary names must not matter either.
    auto other = slide->AddShape("Group 62", office::ppt::kShapeAuto);
    slide->timeline->main->Append(other, 1);

    Walk();
    auto& effects = slide->timeline->main->effects;
    ASSERT_EQ(effects.size(), 4u);
    std::vector<std::shared_ptr<FakeShape>> rebuilt;
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(effects[k]->effectType, 10 + k);
        auto g = effects[k]->shape;
        EXPECT_EQ(g->type, office::ppt::kShapeGroup);
        EXPECT_EQ(g->children.size(), 3u);
        EXPECT_EQ(g->name, "Group 62");
        rebuilt.push_back(g);
    }
    EXPECT_NE(rebuilt[0], rebuilt[1]);
    EXPECT_NE(rebuilt[1], rebuilt[2]);
    EXPECT_EQ(effects[3]->shape, other);
    EXPECT_TRUE(rebuilt[0]->visible);
    EXPECT_FALSE(rebuilt[1]->visible);
    EXPECT_EQ(rebuilt[2]->alternativeText, "chart");
    EXPECT_FALSE(AnyNamed("qmx apart"));
}

TEST_F(WalkTest, NestedNamesakeIsNotTakenIntoTheWrongGroup) {
    auto top = AddPictureGroup("Group", 0);
    top->top = 400;
    auto inner = AddPictureGroup("Group", 0);
    auto extra = AddPicture("Picture X", 100000);
    extra->top = 300;
    slide->AddGroup("Outer", {inner, extra});
    Walk();
    ASSERT_EQ(slide->shapes.size(), 2u);
    int outers = 0;
    for (auto& sh : slide->shapes) {
        if (sh->name != "Outer") continue;
        ++outers;
        ASSERT_EQ(sh->children.size(), 2u);
    }
    EXPECT_EQ(outers, 1);
}

TEST_F(WalkTest, TopLevelNamesakeOfAMemberStaysOutOfTheRebuiltGroup) {
    auto before = slide->AddShape("Rectangle 18", office::ppt::kShapeAuto);
    auto member = slide->AddShape("Rectangle 18", office::ppt::kShapeAuto);
    auto group = slide->AddGroup("Group 9", {AddPicture("Picture 1", 100000), member});
    auto after = slide->AddShape("Rectangle 18", office::ppt::kShapeAuto);
    Walk();
    ASSERT_EQ(slide->shapes.size(), 3u);
    EXPECT_EQ(slide->shapes[0], before);
    EXPECT_EQ(slide->shapes[2], after);
    auto rebuilt = slide->shapes[1];
    EXPECT_EQ(rebuilt->name, "Group 9");
    ASSERT_EQ(rebuilt->children.size(), 2u);
    EXPECT_EQ(rebuilt->children[1], member);
    for (auto& sh : {before, member, after}) EXPECT_EQ(sh->name, "Rectangle 18");
}

TEST_F(WalkTest, GroupThatCannotBeTakenApartKeepsNameAndEffects) {
    auto inner = AddPictureGroup("Inner", 0);
    slide->timeline->main->Append(inner, 10);
    w.office.FailOn("Shape.Ungroup");
    Walk();
    EXPECT_EQ(inner->name, "Inner");
    ASSERT_EQ(slide->timeline->main->effects.size(), 1u);
    EXPECT_EQ(slide->timeline->main->effects[0]->shape, inner);
    EXPECT_FALSE(AnyNamed("qmx apart"));
}

} // namespace
} // namespace quillmax::test
