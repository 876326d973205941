// File: tests/office/fake_office_test.cpp
// The fake object model behaves as the system expects of the real one:
// stacking, grouping, pasting, failing members and measured sizes.
#include <gtest/gtest.h>

#include "support/fake_world.h"

using namespace quillmax;
using namespace quillmax::test;

TEST(FakeOffice, StackingGroupingAndPasting) {
    FakeWorld w;
    auto app = w.office.CreatePowerPoint();
    auto pres = std::dynamic_pointer_cast<FakePresentation>(app->GetPresentations()->Add(true));
    auto slide = pres->AddSlide();
    auto a = slide->AddShape("Picture 1", office::ppt::kShapePicture, 1000);
    auto b = slide->AddShape("Picture 2", office::ppt::kShapePicture, 2000);
    auto c = slide->AddShape("Rect", office::ppt::kShapeAuto);
    EXPECT_EQ(b->ZOrderPosition(), 2);
    c->ZOrder(office::ppt::kSendBackward);
    EXPECT_EQ(c->ZOrderPosition(), 2);

    auto g = slide->AddGroup("Group 1", {a, b});
    EXPECT_EQ(slide->shapes.size(), 2u);
    auto range = g->Ungroup();
    EXPECT_EQ(range->Count(), 2);
    EXPECT_TRUE(g->deleted);
    a->Select(true);
    b->Select(false);
    auto g2 = pres->window->GetSelection()->GetShapeRange()->Group();
    EXPECT_EQ(g2->Type(), office::ppt::kShapeGroup);
    EXPECT_EQ(slide->shapes.size(), 2u);

    c->Copy();
    auto pasted = slide->collection->PasteSpecial(office::ppt::kPasteJPG)->Item(1);
    EXPECT_EQ(pasted->ZOrderPosition(), 3); // frontmost

    w.office.FailOn("Shape.SetRotation");
    EXPECT_THROW(pasted->SetRotation(10), office::AutomationError);
    EXPECT_EQ(w.office.CountCalls("Shape.SetRotation"), 1);
}

TEST(FakeOffice, SavedSizeIsBasePlusShapeWeights) {
    FakeWorld w;
    auto app = w.office.CreatePowerPoint();
    auto pres = std::dynamic_pointer_cast<FakePresentation>(app->GetPresentations()->Add(true));
    pres->AddSlide()->AddShape("Picture 1", office::ppt::kShapePicture, 12345);
    std::string path = w.dir.file("m.pptx");
    pres->SaveAs(path);
    EXPECT_DOUBLE_EQ(w.fileSystem.FileSize(path), FakeOffice::kBaseFileSize + 12345);
    EXPECT_EQ(pres->FullName(), path);
}

TEST(FakeOffice, QuitApplicationFailsLaterCalls) {
    FakeWorld w;
    auto app = w.office.CreatePowerPoint();
    app->Quit();
    EXPECT_THROW(app->Name(), office::AutomationError);
    w.office.powerPointInstalled = false;
    EXPECT_THROW(w.office.CreatePowerPoint(), office::AutomationError);
    EXPECT_THROW(w.office.AttachPowerPoint(), office::AutomationError);
}
