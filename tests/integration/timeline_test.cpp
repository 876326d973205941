// File: tests/platform/pptx/timeline_test.cpp
// The timeline objects of the package-backed PowerPoint on real packages:
// play order and grouping, trigger changes, deletion, and replacing an
// animated shape through the layer (copy, paste, transfer, delete) on built
// decks and on the corpus decks that animate pictures.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/transfers.h"
#include "office/automation.h"
#include "base/errors.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/package.h"
#include "platform/pptx/package_check.h"
#include "platform/pptx/pptx_automation.h"
#include "platform/pptx/timeline.h"
#include "support/temp_folder.h"

#include "platform/pptx/deck_fixture.h"

namespace fs = std::filesystem;
namespace deck = quillmax::pptx::deck;
using namespace quillmax;

namespace {

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        automation_ = pptx::CreateAutomation();
        app_ = automation_->CreatePowerPoint();
    }
    std::shared_ptr<office::Presentation> Open(const std::string& path) {
        return app_->GetPresentations()->Open(path, true);
    }
    std::shared_ptr<office::Presentation> OpenBuilt(const deck::Deck& d) {
        auto path = (dir_ / ("in" + std::to_string(++built_) + ".pptx")).string();
        deck::Write(d, path);
        return Open(path);
    }
    std::string Save(const std::shared_ptr<office::Presentation>& p) {
        auto path = (dir_ / ("out" + std::to_string(++saved_) + ".pptx")).string();
        p->SaveAs(path);
        return path;
    }

    test::TempFolder tmp_;
    const fs::path& dir_ = tmp_.path();
    std::unique_ptr<office::Automation> automation_;
    std::shared_ptr<office::Application> app_;
    int built_ = 0, saved_ = 0;
};

// Columns of a dump line.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        auto tab = line.find('\t', start);
        out.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return out;
}

// A slide with two pictures and two rectangles, five effects in three
// click groups: A click, B with A, A after (delay 250, 750 ms), C click,
// D click.
deck::Deck FiveEffectDeck() {
    deck::Deck d;
    deck::Slide s;
    auto jpeg = pptx::imaging::EncodedImage{deck::MakePhotoJpeg(64, 48, 1), "jpeg"};
    s.shapes.push_back(deck::Picture(jpeg, {10, 10, 200, 150}, "Picture 2"));
    s.shapes.push_back(deck::Rectangle({250, 10, 100, 100}, "FF0000", "B"));
    s.shapes.push_back(deck::Picture(jpeg, {10, 200, 200, 150}, "Picture 4"));
    s.shapes.push_back(deck::Rectangle({250, 200, 100, 100}, "00FF00", "D"));
    for (int k = 0; k < 4; ++k) s.shapes[k].id = k + 2;
    s.shapes[1].name = "Rectangle 3";
    s.shapes[3].name = "Rectangle 5";
    s.effects = {
        {2, 10, deck::Trigger::OnClick, 500, 0, false},
        {3, 1, deck::Trigger::WithPrevious, 500, 0, true},
        {2, 10, deck::Trigger::AfterPrevious, 750, 250, false},
        {4, 10, deck::Trigger::OnClick, 1000, 0, false},
        {5, 10, deck::Trigger::OnClick, 500, 0, true},
    };
    d.slides.push_back(s);
    return d;
}

// What would make the presentation program repair a slide's timing: empty
// time-node lists, duplicate node ids, effects whose build entry is
// missing, targets or build entries for shapes that are not there.
std::vector<std::string> TimingProblems(const std::string& path) {
    std::vector<std::string> out;
    auto pkg = pptx::Package::OpenFile(path);
    for (auto* part : pkg->Parts()) {
        const auto& name = part->name();
        if (name.rfind("/ppt/slides/slide", 0) != 0 || name.find(".xml") == std::string::npos) continue;
        auto& doc = part->Xml();
        auto timing = doc.document_element().child("p:timing");
        if (!timing) continue;
        std::set<std::string> shapeIds, ctnIds, builds;
        for (auto n : doc.select_nodes("//*[local-name()='cNvPr']")) shapeIds.insert(n.node().attribute("id").value());
        const size_t emptyLists = timing.select_nodes(".//p:childTnLst[not(*)]").size();
        for (size_t k = 0; k < emptyLists; ++k) out.push_back(name + ": empty childTnLst");
        for (auto n : timing.select_nodes(".//p:cTn")) {
            if (!ctnIds.insert(n.node().attribute("id").value()).second)
                out.push_back(name + ": duplicate cTn id " + n.node().attribute("id").value());
        }
        for (auto n : timing.select_nodes(".//p:spTgt"))
            if (!shapeIds.count(n.node().attribute("spid").value()))
                out.push_back(name + ": target of a missing shape " + n.node().attribute("spid").value());
        for (auto n : timing.select_nodes("p:bldLst/*")) {
            builds.insert(std::string(n.node().attribute("spid").value()) + "/" + n.node().attribute("grpId").value());
            if (!shapeIds.count(n.node().attribute("spid").value())) out.push_back(name + ": build entry of a missing shape");
        }
        for (auto n : timing.select_nodes(".//p:cTn[@grpId]")) {
            auto t = n.node().parent().select_node(".//p:spTgt");
            if (t && !builds.count(std::string(t.node().attribute("spid").value()) + "/" + n.node().attribute("grpId").value()))
                out.push_back(name + ": effect without build entry");
        }
    }
    for (auto& p : pptx::CheckPackageFile(path)) out.push_back(p);
    return out;
}

std::shared_ptr<office::Shape> ShapeNamed(const std::shared_ptr<office::Slide>& slide, const std::string& name) {
    auto shapes = slide->GetShapes();
    for (int i = 1; i <= shapes->Count(); ++i)
        if (shapes->Item(i)->Name() == name) return shapes->Item(i);
    return nullptr;
}

// Replaces the shape as the engine does: a picture copy pasted back, or a
// rectangle where the shape has no picture form; then the transfer and
// the deletion of the old shape.
std::shared_ptr<office::Shape> Replace(const std::shared_ptr<office::Slide>& slide,
                                       const std::shared_ptr<office::Shape>& old) {
    std::shared_ptr<office::Shape> fresh;
    try {
        old->Copy();
        fresh = slide->GetShapes()->PasteSpecial(office::ppt::kPastePNG)->Item(1);
    } catch (const office::AutomationError&) {
        fresh = slide->GetShapes()->AddShape(office::ppt::kAddRectangle, old->Left(), old->Top(),
                                             old->Width(), old->Height());
    }
    engine::TransferTimelineEffects(slide->GetTimeLine(), old, fresh);
    old->Delete();
    return fresh;
}

std::vector<std::string> Dump(const std::shared_ptr<office::Slide>& slide) {
    return pptx::DumpMainSequence(slide);
}

TEST_F(TimelineTest, MainSequenceInPlayOrderWithTriggersAndTimes) {
    auto pres = OpenBuilt(FiveEffectDeck());
    auto slide = pres->GetSlides()->Item(1);
    auto seq = slide->GetTimeLine()->MainSequence();
    ASSERT_EQ(seq->Count(), 5);
    const std::vector<std::string> names = {"Picture 2", "Rectangle 3", "Picture 2", "Picture 4", "Rectangle 5"};
    const std::vector<int> triggers = {1, 2, 3, 1, 1};
    const std::vector<int> types = {10, 1, 10, 10, 10};
    for (int i = 1; i <= 5; ++i) {
        auto e = seq->Item(i);
        EXPECT_EQ(e->Index(), i);
        EXPECT_EQ(e->GetShape()->Name(), names[i - 1]) << i;
        EXPECT_EQ(e->EffectType(), types[i - 1]) << i;
        EXPECT_EQ(e->Timing()->Get("TriggerType").as_int(), triggers[i - 1]) << i;
        EXPECT_EQ(e->Exit().as_int(), 0);
    }
    EXPECT_DOUBLE_EQ(seq->Item(3)->Timing()->Get("TriggerDelayTime").as_double(), 0.25);
    EXPECT_DOUBLE_EQ(seq->Item(3)->Timing()->Get("duration").as_double(), 0.75);
    auto lines = Dump(slide);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "effect\t3\tPicture 2\tentr\t10\t0\t3\t0.25\t0.75");
}

TEST_F(TimelineTest, ReplacingAnAnimatedPictureKeepsItsEffectsInPlace) {
    auto pres = OpenBuilt(FiveEffectDeck());
    auto slide = pres->GetSlides()->Item(1);
    const auto before = Dump(slide);
    auto fresh = Replace(slide, ShapeNamed(slide, "Picture 2"));
    const auto after = Dump(slide);
    ASSERT_EQ(after.size(), before.size());
    for (size_t k = 0; k < before.size(); ++k) {
        auto b = Fields(before[k]), a = Fields(after[k]);
        if (b[2] == "Picture 2") b[2] = fresh->Name();
        EXPECT_EQ(a, b) << k;
    }
    auto seq = slide->GetTimeLine()->MainSequence();
    EXPECT_EQ(seq->Item(1)->GetShape()->Name(), fresh->Name());
    EXPECT_EQ(seq->Item(3)->GetShape()->Name(), fresh->Name());

    // Saved and read again, the sequence is the same.
    const auto saved = Save(pres);
    EXPECT_EQ(TimingProblems(saved), std::vector<std::string>{});
    auto again = Open(saved);
    EXPECT_EQ(Dump(again->GetSlides()->Item(1)), after);
}

// A fade of shape `spid`, cTn ids from `id`.
std::string FadeXml(int id, int spid) {
    const std::string sp = std::to_string(spid);
    return "<p:par><p:cTn id=\"" + std::to_string(id) +
           "\" presetID=\"10\" presetClass=\"entr\" presetSubtype=\"0\" fill=\"hold\" nodeType=\"clickEffect\">"
           "<p:stCondLst><p:cond delay=\"0\"/></p:stCondLst><p:childTnLst><p:set><p:cBhvr><p:cTn id=\"" +
           std::to_string(id + 1) +
           "\" dur=\"1\" fill=\"hold\"><p:stCondLst><p:cond delay=\"0\"/></p:stCondLst></p:cTn><p:tgtEl><p:spTgt "
           "spid=\"" + sp + "\"/></p:tgtEl><p:attrNameLst><p:attrName>style.visibility</p:attrName></p:attrNameLst>"
           "</p:cBhvr><p:to><p:strVal val=\"visible\"/></p:to></p:set><p:animEffect transition=\"in\" filter=\"fade\">"
           "<p:cBhvr><p:cTn id=\"" + std::to_string(id + 2) + "\" dur=\"500\"/><p:tgtEl><p:spTgt spid=\"" + sp +
           "\"/></p:tgtEl></p:cBhvr></p:animEffect></p:childTnLst></p:cTn></p:par>";
}

TEST_F(TimelineTest, ClickTriggeredSequenceFollowsTheReplacement) {
    // Clicking shape 2 fades in shape 3, then shape 2 itself.
    const std::string timing =
        "<p:timing><p:tnLst><p:par><p:cTn id=\"1\" dur=\"indefinite\" restart=\"never\" nodeType=\"tmRoot\">"
        "<p:childTnLst><p:seq concurrent=\"1\" nextAc=\"seek\"><p:cTn id=\"2\" restart=\"whenNotActive\" "
        "fill=\"hold\" evtFilter=\"cancelBubble\" nodeType=\"interactiveSeq\"><p:stCondLst><p:cond evt=\"onClick\" "
        "delay=\"0\"><p:tgtEl><p:spTgt spid=\"2\"/></p:tgtEl></p:cond></p:stCondLst><p:endSync evt=\"end\" "
        "delay=\"0\"><p:rtn val=\"all\"/></p:endSync><p:childTnLst><p:par><p:cTn id=\"3\" fill=\"hold\"><p:stCondLst>"
        "<p:cond delay=\"0\"/></p:stCondLst><p:childTnLst><p:par><p:cTn id=\"4\" fill=\"hold\"><p:stCondLst><p:cond "
        "delay=\"0\"/></p:stCondLst><p:childTnLst>" +
        FadeXml(5, 3) + FadeXml(8, 2) +
        "</p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn><p:nextCondLst>"
        "<p:cond evt=\"onClick\" delay=\"0\"><p:tgtEl><p:spTgt spid=\"2\"/></p:tgtEl></p:cond></p:nextCondLst>"
        "</p:seq></p:childTnLst></p:cTn></p:par></p:tnLst></p:timing>";
    auto pres = Open(test::MakeDeck("interactive", test::Rect(2, "Picture 2", 0, 0, 100, 100) +
                                                       test::Rect(3, "Rectangle 3", 0, 0, 100, 100) +
                                                       test::Rect(4, "Picture 4", 0, 0, 100, 100),
                                    timing));
    auto slide = pres->GetSlides()->Item(1);
    auto seqs = slide->GetTimeLine()->InteractiveSequences();
    ASSERT_EQ(seqs->Count(), 1);
    EXPECT_EQ(seqs->Item(1)->Item(1)->Timing()->TriggerShape()->Name(), "Picture 2");
    EXPECT_EQ(slide->GetTimeLine()->MainSequence()->Count(), 0);

    auto old = ShapeNamed(slide, "Picture 2");
    engine::TransferTimelineEffects(slide->GetTimeLine(), old, ShapeNamed(slide, "Picture 4"));
    old->Delete();

    auto seq = slide->GetTimeLine()->InteractiveSequences()->Item(1);
    ASSERT_EQ(seq->Count(), 2);
    EXPECT_EQ(seq->Item(1)->Timing()->TriggerShape()->Name(), "Picture 4");
    EXPECT_EQ(seq->Item(1)->GetShape()->Name(), "Rectangle 3");
    EXPECT_EQ(seq->Item(2)->GetShape()->Name(), "Picture 4");
    EXPECT_EQ(seq->Item(2)->EffectType(), 10);
    const auto saved = Save(pres);
    EXPECT_EQ(TimingProblems(saved), std::vector<std::string>{});
    test::ExpectClean(saved);
    const auto xml = test::ReadZip(saved)["ppt/slides/slide1.xml"];
    EXPECT_EQ(xml.find("spid=\"2\""), std::string::npos);
    size_t fours = 0;
    for (size_t at = 0; (at = xml.find("spid=\"4\"", at)) != std::string::npos; ++at) ++fours;
    EXPECT_EQ(fours, 4u); // begin and next conditions, two behaviours
}

TEST_F(TimelineTest, DeletingAClickEffectLetsItsFollowersJoinThePreviousGroup) {
    auto pres = OpenBuilt(FiveEffectDeck());
    auto slide = pres->GetSlides()->Item(1);
    auto seq = slide->GetTimeLine()->MainSequence();
    auto fourth = seq->Item(4);
    seq->Item(1)->Delete();
    ASSERT_EQ(seq->Count(), 4);
    // The old handle of effect 4 still works and moved up one place.
    EXPECT_EQ(fourth->Index(), 3);
    EXPECT_THROW(seq->AddEffect(nullptr, 10, 1), office::AutomationError);

    // Rectangle 3 was "with" the deleted effect; it now starts the slide.
    EXPECT_EQ(seq->Item(1)->GetShape()->Name(), "Rectangle 3");
    const auto saved = Save(pres);
    EXPECT_EQ(TimingProblems(saved), std::vector<std::string>{});
    auto again = Open(saved);
    auto seq2 = again->GetSlides()->Item(1)->GetTimeLine()->MainSequence();
    ASSERT_EQ(seq2->Count(), 4);
    EXPECT_EQ(seq2->Item(1)->Timing()->Get("TriggerType").as_int(), 2);
    EXPECT_EQ(seq2->Item(3)->Timing()->Get("TriggerType").as_int(), 1);
}

TEST_F(TimelineTest, TriggerChangesMoveEffectsBetweenClickGroups) {
    auto pres = OpenBuilt(FiveEffectDeck());
    auto slide = pres->GetSlides()->Item(1);
    auto seq = slide->GetTimeLine()->MainSequence();
    // Effect 4 (on click) becomes "after previous": one click fewer.
    seq->Item(4)->Timing()->Set("TriggerType", 3);
    // Effect 2 (with previous) becomes "on click": one click more.
    seq->Item(2)->Timing()->Set("TriggerType", 1);
    const auto saved = Save(pres);
    EXPECT_EQ(TimingProblems(saved), std::vector<std::string>{});
    auto again = Open(saved);
    auto seq2 = again->GetSlides()->Item(1)->GetTimeLine()->MainSequence();
    std::vector<int> triggers;
    for (int i = 1; i <= seq2->Count(); ++i) triggers.push_back(seq2->Item(i)->Timing()->Get("TriggerType").as_int());
    EXPECT_EQ(triggers, (std::vector<int>{1, 1, 3, 3, 1}));
    EXPECT_THROW(seq2->Item(1)->Timing()->Set("TriggerType", 4), office::AutomationError);
}

TEST_F(TimelineTest, AddEffectWithoutAModelMakesADefaultAtTheIndex) {
    auto pres = OpenBuilt(FiveEffectDeck());
    auto slide = pres->GetSlides()->Item(1);
    auto seq = slide->GetTimeLine()->MainSequence();
    auto rect = ShapeNamed(slide, "Rectangle 5");
    auto zoom = seq->AddEffect(rect, 23, 2);
    EXPECT_EQ(seq->Count(), 6);
    EXPECT_EQ(zoom->Index(), 2);
    EXPECT_EQ(zoom->EffectType(), 23);
    EXPECT_EQ(zoom->Timing()->Get("TriggerType").as_int(), 1);
    zoom->SetExit(-1);
    EXPECT_EQ(zoom->Exit().as_int(), -1);
    EXPECT_EQ(seq->Item(3)->GetShape()->Name(), "Rectangle 3");
    EXPECT_THROW(seq->AddEffect(rect, 9999, 1), office::AutomationError);
}

TEST_F(TimelineTest, DeletingAShapeTakesItsEffectsAndBuildEntries) {
    auto pres = OpenBuilt(FiveEffectDeck());
    auto slide = pres->GetSlides()->Item(1);
    ShapeNamed(slide, "Rectangle 5")->Delete();
    ShapeNamed(slide, "Picture 2")->Delete();
    auto seq = slide->GetTimeLine()->MainSequence();
    ASSERT_EQ(seq->Count(), 2);
    EXPECT_EQ(seq->Item(1)->GetShape()->Name(), "Rectangle 3");
    const auto saved = Save(pres);
    EXPECT_EQ(TimingProblems(saved), std::vector<std::string>{});
    EXPECT_EQ(Open(saved)->GetSlides()->Item(1)->GetTimeLine()->MainSequence()->Count(), 2);
}

// Corpus decks that animate pictures: every animated picture (and group)
// replaced, slide by slide the same sequence with the new shapes as targets.
TEST_F(TimelineTest, CorpusDecksKeepTheirSequencesThroughReplacement) {
    const fs::path corpus = fs::path(QUILLMAX_SOURCE_DIR) / ".." / "shared" / "corpus";
    const std::vector<std::string> decks = {
        "ooxml_parser/condition_no_event.pptx", "aspose-net/AnimationShapesExample.pptx",
        "poi/at.pzp.www_uploads_media_PP_Scheinecker-jdk6error.pptx", "poi/2411-Performance_Up.pptx",
        "ooxml_parser/transition_direction_nil_2.pptx"};
    int replaced = 0, checked = 0;
    for (const auto& name : decks) {
        const auto path = corpus / name;
        if (!fs::exists(path)) continue;
        SCOPED_TRACE(name);
        auto pres = Open(path.string());
        auto slides = pres->GetSlides();
        std::vector<std::vector<std::string>> expected;
        for (int s = 1; s <= slides->Count(); ++s) {
            auto slide = slides->Item(s);
            auto before = Dump(slide);
            std::map<std::string, std::string> renamed;
            auto shapes = slide->GetShapes();
            std::vector<std::shared_ptr<office::Shape>> targets;
            for (int i = 1; i <= shapes->Count(); ++i) {
                auto sh = shapes->Item(i);
                const int type = sh->Type();
                if (type != office::ppt::kShapePicture && type != office::ppt::kShapeGroup) continue;
                for (const auto& line : before)
                    if (Fields(line)[2] == sh->Name()) {
                        targets.push_back(sh);
                        break;
                    }
            }
            for (auto& old : targets) {
                const auto oldName = old->Name();
                auto fresh = Replace(slide, old);
                renamed[oldName] = fresh->Name();
                ++replaced;
            }
            auto after = Dump(slide);
            ASSERT_EQ(after.size(), before.size()) << "slide " << s;
            for (size_t k = 0; k < before.size(); ++k) {
                auto b = Fields(before[k]);
                if (renamed.count(b[2])) b[2] = renamed[b[2]];
                EXPECT_EQ(Fields(after[k]), b) << "slide " << s << " effect " << k + 1;
                ++checked;
            }
            expected.push_back(after);
        }
        const auto saved = Save(pres);
        EXPECT_EQ(TimingProblems(saved), std::vector<std::string>{});
        auto again = Open(saved);
        for (int s = 1; s <= again->GetSlides()->Count(); ++s)
            EXPECT_EQ(Dump(again->GetSlides()->Item(s)), expected[s - 1]) << "slide " << s;
    }
    RecordProperty("replaced", replaced);
    RecordProperty("effects_checked", checked);
    if (checked == 0) GTEST_SKIP() << "no corpus decks at " << corpus;
    EXPECT_GT(replaced, 0);
}

} // namespace
