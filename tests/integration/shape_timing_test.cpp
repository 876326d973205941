// File: tests/integration/shape_timing_test.cpp
// Deleting or ungrouping an animated shape through the package layer keeps
// the main sequence consistent: the triggers read back agree with the click
// groups saved, so what plays on a click is what the reader says.
#include <gtest/gtest.h>

#include <filesystem>

#include "office/automation.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/package.h"
#include "platform/pptx/package_check.h"
#include "platform/pptx/pptx_automation.h"
#include "support/fake_world.h"

namespace deck = quillmax::pptx::deck;
using namespace quillmax;

TEST(ShapeTiming, EffectsThatRanWithADeletedLeaderJoinThePreviousClick) {
    deck::Deck d;
    deck::Slide s;
    s.shapes.push_back(deck::Rectangle({10, 10, 50, 50}, "FF0000", "A"));
    s.shapes.push_back(deck::Picture({deck::MakePhotoJpeg(40, 30, 3), "jpeg"}, {70, 10, 50, 50}, "Picture 3"));
    s.shapes.push_back(deck::Rectangle({130, 10, 50, 50}, "00FF00", "B"));
    s.shapes.push_back(deck::Rectangle({190, 10, 50, 50}, "0000FF", "C"));
    s.shapes.push_back(deck::Group({10, 100, 200, 50},
                                   {deck::Rectangle({10, 100, 50, 50}), deck::Rectangle({160, 100, 50, 50})},
                                   "Group 6"));
    for (int k = 0; k < 5; ++k) s.shapes[k].id = k + 2;
    s.shapes[4].children[0].id = 7;
    s.shapes[4].children[1].id = 8;
    // A on click; the picture on click with B; the group on click with C.
    s.effects = {{2, 10, deck::Trigger::OnClick},      {3, 10, deck::Trigger::OnClick},
                 {4, 10, deck::Trigger::WithPrevious}, {6, 10, deck::Trigger::OnClick},
                 {5, 10, deck::Trigger::WithPrevious}};
    d.slides.push_back(s);
    test::TempFolder dir;
    const auto input = dir.file("in.pptx"), output = dir.file("out.pptx");
    deck::Write(d, input);

    auto automation = pptx::CreateAutomation();
    auto app = automation->CreatePowerPoint();
    auto pres = app->GetPresentations()->Open(input, true);
    auto shapes = pres->GetSlides()->Item(1)->GetShapes();
    shapes->Item(2)->Delete();  // the picture
    shapes->Item(4)->Ungroup(); // the group
    pres->SaveAs(output);
    EXPECT_EQ(pptx::CheckPackageFile(output), std::vector<std::string>{});

    auto again = app->GetPresentations()->Open(output, true);
    auto seq = again->GetSlides()->Item(1)->GetTimeLine()->MainSequence();
    ASSERT_EQ(seq->Count(), 3);
    std::vector<std::string> names;
    std::vector<int> triggers;
    for (int i = 1; i <= 3; ++i) {
        names.push_back(seq->Item(i)->GetShape()->Name());
        triggers.push_back(seq->Item(i)->Timing()->Get("TriggerType").as_int());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Rectangle 1", "Rectangle 3", "Rectangle 4"}));
    EXPECT_EQ(triggers, (std::vector<int>{1, 2, 2}));

    // One click, one click group: no effect waits for a click it does not report.
    auto pkg = pptx::Package::OpenFile(output);
    for (auto* part : pkg->Parts()) {
        if (part->name() != "/ppt/slides/slide1.xml") continue;
        auto clicks = part->Xml().select_nodes(
            "//p:cTn[@nodeType='mainSeq']/p:childTnLst/p:par");
        EXPECT_EQ(clicks.size(), 1u);
        EXPECT_EQ(part->Xml().select_nodes("//p:cTn[@nodeType='clickEffect']").size(), 1u);
        EXPECT_EQ(part->Xml().select_nodes("//p:bldLst/p:bldP[@spid='3' or @spid='6']").size(), 0u);
    }
}
