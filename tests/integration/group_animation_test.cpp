// File: tests/integration/group_animation_test.cpp
// The whole batch over a real package: the start button's run with the
// package-backed PowerPoint behind it, on a deck with an animated group of
// photos and an animated, rotated, linked and glued photo. The output is
// read back through the layer and checked as a person would: same
// animations, same actions, same glue, one rebuilt group, nothing left over.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "app/batch_run.h"
#include "office/automation.h"
#include "fixtures/deck_builder.h"
#include "platform/pptx/package.h"
#include "platform/pptx/package_check.h"
#include "platform/pptx/pptx_automation.h"
#include "platform/pptx/timeline.h"
#include "support/fake_world.h"
#include "support/render_compare.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
namespace deck = quillmax::pptx::deck;
using namespace quillmax;

namespace {

// A short 8-bit mono PCM sound.
std::string TinyWav() {
    std::string data(800, '\x80');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(128 + ((i / 8) % 2 ? 40 : -40));
    auto le = [](std::uint32_t v, int n) {
        std::string s;
        for (int k = 0; k < n; ++k) s.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
        return s;
    };
    return "RIFF" + le(36 + data.size(), 4) + "WAVE" + "fmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
           le(8000, 4) + le(1, 2) + le(8, 2) + "data" + le(data.size(), 4) + data;
}

// Slide 1: an animated group of three photos (Fade on click), a rotated
// photo with click and hover actions (Appear after previous, delayed), a
// rectangle, and a connector from the photo to the rectangle.
// Slide 2: two plain shapes, so the visit count is checked on a second slide.
deck::Deck GroupDeck() {
    deck::Deck d;
    deck::Slide s;
    std::vector<deck::Shape> photos;
    for (int k = 0; k < 3; ++k) {
        pptx::imaging::EncodedImage jpeg{deck::MakePhotoJpeg(900, 700, 11 + k), "jpeg"};
        auto p = deck::Picture(jpeg, {10.0 + 200 * k, 10, 180, 140}, "Picture " + std::to_string(3 + k));
        p.id = 3 + k;
        photos.push_back(p);
    }
    auto group = deck::Group({40, 40, 590, 160}, photos, "Group 1");
    group.id = 2;
    group.childLeft = 10, group.childTop = 10, group.childWidth = 580, group.childHeight = 140;
    s.shapes.push_back(group);

    pptx::imaging::EncodedImage big{deck::MakePhotoJpeg(1000, 750, 42), "jpeg"};
    auto photo = deck::Picture(big, {80, 260, 240, 180, 15}, "Picture 7");
    photo.id = 7;
    photo.click = deck::Action{"https://example.com/quillmax", "", "site", "chime", TinyWav()};
    photo.hover = deck::Action{"", "ppaction://hlinkshowjump?jump=nextslide", "", "", ""};
    s.shapes.push_back(photo);

    auto rect = deck::Rectangle({520, 300, 120, 80}, "3366CC", "R");
    rect.id = 8;
    rect.name = "Rectangle 8";
    s.shapes.push_back(rect);

    deck::Shape cxn;
    cxn.kind = deck::Kind::Connector;
    cxn.id = 9;
    cxn.name = "Straight Connector 9";
    cxn.geometry = {320, 340, 200, 0};
    cxn.startId = 7, cxn.startSite = 3, cxn.endId = 8, cxn.endSite = 1;
    s.shapes.push_back(cxn);

    s.effects = {
        {2, 10, deck::Trigger::OnClick, 750, 0, true},
        {7, 1, deck::Trigger::AfterPrevious, 500, 250, true},
    };
    d.slides.push_back(s);

    deck::Slide s2;
    s2.shapes.push_back(deck::Rectangle({10, 10, 100, 100}, "FF0000"));
    s2.shapes.push_back(deck::TextBox({200, 10, 200, 50}, "two"));
    d.slides.push_back(s2);
    return d;
}

std::shared_ptr<office::Shape> Named(const std::shared_ptr<office::Slide>& slide, const std::string& name) {
    auto shapes = slide->GetShapes();
    for (int i = 1; i <= shapes->Count(); ++i)
        if (shapes->Item(i)->Name() == name) return shapes->Item(i);
    return nullptr;
}

std::vector<std::shared_ptr<office::Shape>> OfType(const std::shared_ptr<office::Slide>& slide, int type) {
    std::vector<std::shared_ptr<office::Shape>> out;
    auto shapes = slide->GetShapes();
    for (int i = 1; i <= shapes->Count(); ++i)
        if (shapes->Item(i)->Type() == type) out.push_back(shapes->Item(i));
    return out;
}

struct ActionView {
    int action = 0;
    std::string address, subAddress, tip, sound;
    int soundType = 0;
    bool operator==(const ActionView&) const = default;
};
ActionView Read(const std::shared_ptr<office::ActionSetting>& a) {
    ActionView v;
    v.action = a->Action();
    v.address = a->GetHyperlink()->Address();
    v.subAddress = a->GetHyperlink()->SubAddress();
    v.tip = a->GetHyperlink()->ScreenTip();
    v.soundType = a->GetSoundEffect()->Type();
    v.sound = a->GetSoundEffect()->Name();
    return v;
}

// Dump columns without the index and shape name: class, id, subtype,
// trigger, delay, duration.
std::vector<std::string> EffectShapes(const std::vector<std::string>& dump, std::vector<std::string>* rest) {
    std::vector<std::string> names;
    for (const auto& line : dump) {
        std::vector<std::string> f;
        size_t at = 0;
        for (;;) {
            auto tab = line.find('\t', at);
            f.push_back(line.substr(at, tab - at));
            if (tab == std::string::npos) break;
            at = tab + 1;
        }
        names.push_back(f.at(2));
        std::string r;
        for (size_t k = 3; k < f.size(); ++k) r += f[k] + "|";
        rest->push_back(r);
    }
    return names;
}

// The build-list entries (spid) of slide 1 of a saved package.
std::set<std::string> BuildSpids(const std::string& path) {
    std::set<std::string> out;
    auto pkg = pptx::Package::OpenFile(path);
    for (auto* part : pkg->Parts()) {
        if (part->name() != "/ppt/slides/slide1.xml") continue;
        for (auto n : part->Xml().select_nodes("//p:bldLst/p:bldP"))
            out.insert(n.node().attribute("spid").value());
    }
    return out;
}

std::string ShapeIdNamed(const std::string& path, const std::string& name) {
    auto pkg = pptx::Package::OpenFile(path);
    for (auto* part : pkg->Parts()) {
        if (part->name() != "/ppt/slides/slide1.xml") continue;
        for (auto n : part->Xml().select_nodes("//*[local-name()='cNvPr']"))
            if (name == n.node().attribute("name").value()) return n.node().attribute("id").value();
    }
    return "";
}

class GroupAnimationRun : public ::testing::Test {
protected:
    void SetUp() override {
        automation_ = pptx::CreateAutomation();
        session_.view = &view_;
        session_.automation = automation_.get();
        session_.settings = &settings_;
        session_.oleList = &oleList_;
        session_.fileSystem = &fileSystem_;
        session_.registry = &registry_;
        settings_.PPTFolder = dir_.path().string();
        settings_.MovieFolder = dir_.path().string();
        settings_.FileSize = "10";
        // Visits per slide: the yields while the slide's page line is the
        // last one in the log.
        view_.onDoEvents = [this](int) {
            auto at = view_.log.rfind("ﾍﾟｰｼﾞ ");
            if (at == std::string::npos) return;
            ++visits_[view_.log.substr(at, view_.log.find('/', at) - at)];
        };
    }

    // Runs the batch on the deck and returns the output's path.
    std::string Run(const std::string& input) {
        view_.source = input + "\r\n";
        app::btnStart_Click(session_);
        for (auto& e : fs::directory_iterator(dir_.path()))
            if (e.path().filename().string().find("【圧縮前") != std::string::npos) return e.path().string();
        return "";
    }

    test::TempFolder dir_, registryDir_;
    test::RecorderView view_;
    settings::Settings settings_;
    settings::OleConversionList oleList_;
    util::FileSystem fileSystem_;
    util::RegistryStore registryStore_{registryDir_.path().string()};
    settings::RegistryAccess registry_{registryStore_};
    std::unique_ptr<office::Automation> automation_;
    app::Session session_;
    std::map<std::string, int> visits_;
};

} // namespace

TEST_F(GroupAnimationRun, RebuiltGroupAndReplacedPhotoKeepWhatTheyHad) {
    const std::string input = dir_.file("groups.pptx");
    deck::Write(GroupDeck(), input);
    const std::string inputBytes = test::ReadAll(input);

    const std::string output = Run(input);
    ASSERT_FALSE(output.empty()) << view_.log;
    EXPECT_NE(view_.status.find("圧縮完了"), std::string::npos) << view_.status << "\n" << view_.log;

    // Four pictures replaced; the input untouched.
    size_t lines = 0;
    for (size_t at = 0; (at = view_.log.find("ﾋﾟｸｾﾙの画像を圧縮", at)) != std::string::npos; ++at) ++lines;
    EXPECT_EQ(lines, 4u) << view_.log;
    EXPECT_LT(fs::file_size(output), inputBytes.size());
    EXPECT_EQ(test::ReadAll(input), inputBytes);
    // n shapes, n visits: four top-level shapes and three members; two shapes.
    EXPECT_EQ(visits_["ﾍﾟｰｼﾞ 1"], 7);
    EXPECT_EQ(visits_["ﾍﾟｰｼﾞ 2"], 2);

    EXPECT_EQ(pptx::CheckPackageFile(output), std::vector<std::string>{});

    auto app = automation_->CreatePowerPoint();
    auto before = app->GetPresentations()->Open(input, true);
    auto after = app->GetPresentations()->Open(output, true);
    auto in1 = before->GetSlides()->Item(1);
    auto out1 = after->GetSlides()->Item(1);

    // Same top-level count: group, photo, rectangle, connector.
    ASSERT_EQ(out1->GetShapes()->Count(), 4);
    for (int i = 1; i <= 4; ++i) {
        auto sh = out1->GetShapes()->Item(i);
        EXPECT_GT(sh->Width() + sh->Height(), 2.5) << "left-over placeholder " << sh->Name();
    }

    // The group: one group of the three replacements.
    auto groups = OfType(out1, office::ppt::kShapeGroup);
    ASSERT_EQ(groups.size(), 1u);
    auto newGroup = groups[0];
    auto oldGroup = Named(in1, "Group 1");
    EXPECT_NEAR(newGroup->Left(), oldGroup->Left(), 0.5);
    EXPECT_NEAR(newGroup->Top(), oldGroup->Top(), 0.5);
    EXPECT_NEAR(newGroup->Width(), oldGroup->Width(), 0.5);
    EXPECT_NEAR(newGroup->Height(), oldGroup->Height(), 0.5);
    EXPECT_EQ(newGroup->ZOrderPosition(), 1);

    // Effects: same order, presets, triggers, times; the targets are the
    // rebuilt group and the replacement photo.
    std::vector<std::string> inRest, outRest;
    auto inNames = EffectShapes(pptx::DumpMainSequence(in1), &inRest);
    auto outNames = EffectShapes(pptx::DumpMainSequence(out1), &outRest);
    ASSERT_EQ(inRest.size(), 2u);
    EXPECT_EQ(outRest, inRest);
    ASSERT_EQ(outNames.size(), 2u);
    EXPECT_EQ(outNames[0], newGroup->Name());
    auto pictures = OfType(out1, office::ppt::kShapePicture);
    ASSERT_EQ(pictures.size(), 1u);
    auto newPhoto = pictures[0];
    EXPECT_NE(newPhoto->Name(), "Picture 7");
    EXPECT_EQ(outNames[1], newPhoto->Name());
    // Build-list entries follow their effects.
    const auto builds = BuildSpids(output);
    EXPECT_EQ(builds, (std::set<std::string>{ShapeIdNamed(output, newGroup->Name()),
                                             ShapeIdNamed(output, newPhoto->Name())}));

    // The photo's replacement: place, size, stacking, rotation, actions, glue.
    auto oldPhoto = Named(in1, "Picture 7");
    EXPECT_NEAR(newPhoto->Left(), oldPhoto->Left(), 0.5);
    EXPECT_NEAR(newPhoto->Top(), oldPhoto->Top(), 0.5);
    EXPECT_NEAR(newPhoto->Width(), oldPhoto->Width(), 0.5);
    EXPECT_NEAR(newPhoto->Height(), oldPhoto->Height(), 0.5);
    EXPECT_EQ(newPhoto->ZOrderPosition(), oldPhoto->ZOrderPosition());
    EXPECT_NEAR(newPhoto->Rotation(), 15, 0.01);
    for (int k : {office::ppt::kMouseClick, office::ppt::kMouseOver})
        EXPECT_EQ(Read(newPhoto->ActionSettings(k)), Read(oldPhoto->ActionSettings(k))) << "action " << k;
    EXPECT_EQ(Read(newPhoto->ActionSettings(office::ppt::kMouseClick)).address, "https://example.com/quillmax");
    EXPECT_EQ(Read(newPhoto->ActionSettings(office::ppt::kMouseClick)).soundType, 2);
    auto cf = Named(out1, "Straight Connector 9")->GetConnectorFormat();
    auto cfOld = Named(in1, "Straight Connector 9")->GetConnectorFormat();
    ASSERT_TRUE(cf->BeginConnected());
    EXPECT_EQ(cf->BeginConnectedShape()->Name(), newPhoto->Name());
    EXPECT_EQ(cf->BeginConnectionSite(), cfOld->BeginConnectionSite());
    EXPECT_EQ(cf->EndConnectedShape()->Name(), "Rectangle 8");
    EXPECT_EQ(cf->EndConnectionSite(), cfOld->EndConnectionSite());

    // Inside the group: the three replacements where the photos stood.
    auto members = newGroup->Ungroup();
    auto oldMembers = oldGroup->Ungroup();
    ASSERT_EQ(members->Count(), 3);
    for (int i = 1; i <= 3; ++i) {
        auto m = members->Item(i);
        auto o = oldMembers->Item(i);
        EXPECT_EQ(m->Type(), office::ppt::kShapePicture);
        EXPECT_NE(m->Name(), o->Name());
        EXPECT_NEAR(m->Left(), o->Left(), 0.5);
        EXPECT_NEAR(m->Top(), o->Top(), 0.5);
        EXPECT_NEAR(m->Width(), o->Width(), 0.5);
        EXPECT_NEAR(m->Height(), o->Height(), 0.5);
    }

    // LibreOffice shows both slides of the output.
    if (test::HaveLibreOffice()) {
        auto pages = test::RenderDeck(output, 24);
        EXPECT_EQ(pages.size(), 2u);
    }
}
