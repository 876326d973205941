// File: tests/support/fake_office.cpp
// The in-memory presentation and spreadsheet programs.
#include "support/fake_office.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace quillmax::test {
namespace {

using office::AutomationError;

std::string lower(std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::string set_key(const std::string& object, std::string_view member) {
    std::string m(member);
    if (!m.empty()) m[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(m[0])));
    return object + ".Set" + m;
}

std::string get_key(const std::string& object, std::string_view member) {
    std::string m(member);
    if (!m.empty()) m[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(m[0])));
    return object + "." + m;
}

} // namespace

// ---- FailSet -------------------------------------------------------------

bool FailSet::Hit(const std::string& key) {
    auto it = rules_.find(key);
    if (it == rules_.end()) return false;
    FailRule& r = it->second;
    if (r.skip > 0) {
        --r.skip;
        return false;
    }
    if (r.count == 0) return false;
    if (r.count > 0) --r.count;
    return true;
}

// ---- FakeOffice ----------------------------------------------------------

FakeOffice::FakeOffice() : clipboard(std::make_shared<FakeClipboard>(this)) {
    pastedBytes = [](const ClipContent& c, int format) {
        switch (format) {
        case office::ppt::kPasteJPG: return c.sourceBytes * 0.3;
        case office::ppt::kPastePNG: return c.sourceBytes * 0.8;
        case office::ppt::kPasteGIF: return c.sourceBytes * 0.5;
        default: return c.sourceBytes * 1.1;
        }
    };
    pastedRaster = [](const ClipContent& c, int) { return c.raster; };
}

void FakeOffice::Hit(const std::string& key, FailSet* local) {
    calls.push_back(key);
    bool fail = fails.Hit(key);
    if (local && local->Hit(key)) fail = true;
    if (fail) throw AutomationError(key, "failed (fake)");
}

int FakeOffice::CountCalls(const std::string& key) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), key));
}

std::string FakeOffice::NextName(const std::string& prefix) {
    return prefix + " " + std::to_string(++nameCounter_);
}

void FakeOffice::Settle(int) {
    ++settleCalls;
    calls.push_back("Automation.Settle");
}

std::shared_ptr<office::Application> FakeOffice::AttachPowerPoint() {
    Hit("Automation.AttachPowerPoint");
    if (runningWithPresentations < 0) throw AutomationError("GetObject", "no running instance");
    if (!running || running->quit) {
        running = std::make_shared<FakePowerPoint>(this);
        for (int i = 0; i < runningWithPresentations; ++i)
            running->open.push_back(MakePresentation("User" + std::to_string(i + 1) + ".pptx"));
        powerPoints.push_back(running);
    }
    return running;
}

std::shared_ptr<office::Application> FakeOffice::CreatePowerPoint() {
    Hit("Automation.CreatePowerPoint");
    if (!powerPointInstalled) throw AutomationError("CreateObject", "cannot create PowerPoint.Application");
    auto app = std::make_shared<FakePowerPoint>(this);
    powerPoints.push_back(app);
    return app;
}

std::shared_ptr<office::ExcelApplication> FakeOffice::CreateExcel() {
    Hit("Automation.CreateExcel");
    if (!excelInstalled) throw AutomationError("CreateObject", "cannot create EXCEL.Application");
    auto app = std::make_shared<FakeExcel>(this);
    app->workbooks->preOpen = excelWorkbooksOpen;
    excels.push_back(app);
    return app;
}

std::shared_ptr<FakePresentation> FakeOffice::MakePresentation(const std::string& fullName) {
    auto p = std::make_shared<FakePresentation>(this, fullName);
    p->window->pane->viewType = outlinePaneView;
    return p;
}

office::Raster SolidRaster(int w, int h, std::uint32_t rgb) {
    office::Raster r;
    r.width = w;
    r.height = h;
    r.pixels.assign(static_cast<size_t>(w) * h, rgb);
    return r;
}

// ---- clipboard -----------------------------------------------------------

void FakeClipboard::Clear() {
    office_->calls.push_back("Clipboard.Clear");
    ++clears;
    content.reset();
}

std::optional<office::Raster> FakeClipboard::MetafilePicture() {
    office_->Hit("Clipboard.MetafilePicture");
    if (!content) return std::nullopt;
    return content->raster;
}

bool FakeClipboard::PictureIsTransparent() {
    office_->Hit("Clipboard.PictureIsTransparent");
    return content && content->transparent;
}

// ---- FakeDispatch --------------------------------------------------------

void FakeDispatch::hit(const std::string& key) { office_->Hit(key, &fails_); }

office::Value FakeDispatch::Get(std::string_view member) {
    hit(get_key(object_, member));
    auto it = values_.find(lower(member));
    return it == values_.end() ? office::Value() : it->second;
}

void FakeDispatch::Set(std::string_view member, const office::Value& value) {
    hit(set_key(object_, member));
    values_[lower(member)] = value;
}

office::Value FakeDispatch::Peek(const std::string& member) const {
    auto it = values_.find(lower(member));
    return it == values_.end() ? office::Value() : it->second;
}

void FakeDispatch::Poke(const std::string& member, const office::Value& value) { values_[lower(member)] = value; }

// ---- action settings -----------------------------------------------------

#define FAKE_HIT(cls, obj) \
    void cls::hit(const std::string& key) { office_->Hit(key, &fails); }

FAKE_HIT(FakeHyperlink, "Hyperlink")
FAKE_HIT(FakeSoundEffect, "SoundEffect")
FAKE_HIT(FakeActionSetting, "ActionSetting")
FAKE_HIT(FakeShape, "Shape")
FAKE_HIT(FakeConnectorFormat, "ConnectorFormat")
FAKE_HIT(FakePoints, "Points")
FAKE_HIT(FakeEffect, "Effect")
FAKE_HIT(FakeSequence, "Sequence")
FAKE_HIT(FakeSlide, "Slide")
FAKE_HIT(FakePresentation, "Presentation")

void FakePowerPoint::hit(const std::string& key) {
    if (quit) {
        office_->calls.push_back(key);
        throw AutomationError(key, "the application has quit");
    }
    office_->Hit(key);
}

void FakeExcel::hit(const std::string& key) {
    if (quit) {
        office_->calls.push_back(key);
        throw AutomationError(key, "the application has quit");
    }
    office_->Hit(key);
}

std::string FakeHyperlink::Address() { hit("Hyperlink.Address"); return address; }
void FakeHyperlink::SetAddress(const std::string& v) { hit("Hyperlink.SetAddress"); address = v; }
std::string FakeHyperlink::SubAddress() { hit("Hyperlink.SubAddress"); return subAddress; }
void FakeHyperlink::SetSubAddress(const std::string& v) { hit("Hyperlink.SetSubAddress"); subAddress = v; }
std::string FakeHyperlink::ScreenTip() { hit("Hyperlink.ScreenTip"); return screenTip; }
void FakeHyperlink::SetScreenTip(const std::string& v) { hit("Hyperlink.SetScreenTip"); screenTip = v; }
std::string FakeHyperlink::TextToDisplay() { hit("Hyperlink.TextToDisplay"); return textToDisplay; }
void FakeHyperlink::SetTextToDisplay(const std::string& v) { hit("Hyperlink.SetTextToDisplay"); textToDisplay = v; }
std::string FakeHyperlink::EmailSubject() { hit("Hyperlink.EmailSubject"); return emailSubject; }
void FakeHyperlink::SetEmailSubject(const std::string& v) { hit("Hyperlink.SetEmailSubject"); emailSubject = v; }
bool FakeHyperlink::ShowAndReturn() { hit("Hyperlink.ShowAndReturn"); return showAndReturn; }
void FakeHyperlink::SetShowAndReturn(bool v) { hit("Hyperlink.SetShowAndReturn"); showAndReturn = v; }

std::string FakeSoundEffect::Name() { hit("SoundEffect.Name"); return name; }
void FakeSoundEffect::SetName(const std::string& v) { hit("SoundEffect.SetName"); name = v; }
int FakeSoundEffect::Type() { hit("SoundEffect.Type"); return type; }
void FakeSoundEffect::SetType(int v) { hit("SoundEffect.SetType"); type = v; }

FakeActionSetting::FakeActionSetting(FakeOffice* o)
    : hyperlink(std::make_shared<FakeHyperlink>(o)), sound(std::make_shared<FakeSoundEffect>(o)), office_(o) {}
int FakeActionSetting::Action() { hit("ActionSetting.Action"); return action; }
void FakeActionSetting::SetAction(int v) { hit("ActionSetting.SetAction"); action = v; }
int FakeActionSetting::AnimateAction() { hit("ActionSetting.AnimateAction"); return animateAction; }
void FakeActionSetting::SetAnimateAction(int v) { hit("ActionSetting.SetAnimateAction"); animateAction = v; }
std::string FakeActionSetting::Run() { hit("ActionSetting.Run"); return run; }
void FakeActionSetting::SetRun(const std::string& v) { hit("ActionSetting.SetRun"); run = v; }
std::string FakeActionSetting::SlideShowName() { hit("ActionSetting.SlideShowName"); return slideShowName; }
void FakeActionSetting::SetSlideShowName(const std::string& v) { hit("ActionSetting.SetSlideShowName"); slideShowName = v; }
std::shared_ptr<office::Hyperlink> FakeActionSetting::GetHyperlink() { hit("ActionSetting.Hyperlink"); return hyperlink; }
std::shared_ptr<office::SoundEffect> FakeActionSetting::GetSoundEffect() { hit("ActionSetting.SoundEffect"); return sound; }

// ---- shapes --------------------------------------------------------------

FakeShape::FakeShape(FakeOffice* office, std::string n, int t)
    : name(std::move(n)), type(t), office_(office) {
    actions[0] = std::make_shared<FakeActionSetting>(office);
    actions[1] = std::make_shared<FakeActionSetting>(office);
    animationSettings = std::make_shared<FakeDispatch>(office, "AnimationSettings");
}

double FakeShape::TotalBytes() const {
    double b = bytes;
    for (auto& c : children) b += c->TotalBytes();
    return b;
}

#define LIVE(key)                                                                  \
    do {                                                                           \
        if (deleted) {                                                             \
            office_->calls.push_back(key);                                         \
            throw AutomationError(key, "the shape has been deleted");              \
        }                                                                          \
        hit(key);                                                                  \
    } while (0)

std::string FakeShape::Name() { LIVE("Shape.Name"); return name; }
void FakeShape::SetName(const std::string& n) { LIVE("Shape.SetName"); name = n; }
int FakeShape::Type() { LIVE("Shape.Type"); return type; }
int FakeShape::PlaceholderContainedType() {
    LIVE("PlaceholderFormat.ContainedType");
    if (type != office::ppt::kShapePlaceholder)
        throw AutomationError("PlaceholderFormat.ContainedType", "the shape is no placeholder");
    return containedType;
}
double FakeShape::Left() { LIVE("Shape.Left"); return left; }
void FakeShape::SetLeft(double v) { LIVE("Shape.SetLeft"); left = v; }
double FakeShape::Top() { LIVE("Shape.Top"); return top; }
void FakeShape::SetTop(double v) { LIVE("Shape.SetTop"); top = v; }
double FakeShape::Width() { LIVE("Shape.Width"); return width; }
void FakeShape::SetWidth(double v) { LIVE("Shape.SetWidth"); width = v; }
double FakeShape::Height() { LIVE("Shape.Height"); return height; }
void FakeShape::SetHeight(double v) { LIVE("Shape.SetHeight"); height = v; }
double FakeShape::Rotation() { LIVE("Shape.Rotation"); return rotation; }
void FakeShape::SetRotation(double v) { LIVE("Shape.SetRotation"); rotation = v; }
int FakeShape::Visible() { LIVE("Shape.Visible"); return visible ? -1 : 0; }
void FakeShape::SetVisible(int v) { LIVE("Shape.SetVisible"); visible = v != 0; }
std::string FakeShape::AlternativeText() { LIVE("Shape.AlternativeText"); return alternativeText; }
void FakeShape::SetAlternativeText(const std::string& v) { LIVE("Shape.SetAlternativeText"); alternativeText = v; }
std::string FakeShape::Title() { LIVE("Shape.Title"); return title; }
void FakeShape::SetTitle(const std::string& v) { LIVE("Shape.SetTitle"); title = v; }

int FakeShape::ZOrderPosition() {
    LIVE("Shape.ZOrderPosition");
    if (parent) {
        auto& c = parent->children;
        for (size_t i = 0; i < c.size(); ++i)
            if (c[i].get() == this) return static_cast<int>(i) + 1;
    }
    if (!slide) throw AutomationError("Shape.ZOrderPosition", "not on a slide");
    return slide->IndexOf(this) + 1;
}

void FakeShape::ZOrder(int command) {
    LIVE("Shape.ZOrder");
    if (command != office::ppt::kSendBackward || parent || !slide) return;
    int i = slide->IndexOf(this);
    if (i > 0) std::swap(slide->shapes[i], slide->shapes[i - 1]);
}

void FakeShape::Select(bool replace) {
    LIVE("Shape.Select");
    if (!slide) throw AutomationError("Shape.Select", "not on a slide");
    auto& sel = slide->pres->selected;
    if (replace) sel.clear();
    if (std::find(sel.begin(), sel.end(), shared_from_this()) == sel.end()) sel.push_back(shared_from_this());
}

void FakeShape::Copy() {
    LIVE("Shape.Copy");
    ClipContent c;
    c.sourceName = name;
    c.sourceType = type;
    c.isOLE = hasOLEFormat;
    c.progId = progId;
    c.width = width;
    c.height = height;
    c.sourceBytes = TotalBytes();
    c.format = pastedFormat;
    c.raster = raster;
    c.transparent = transparent;
    office_->clipboard->content = c;
}

void FakeShape::Delete() {
    LIVE("Shape.Delete");
    deleted = true;
    if (parent) {
        auto& c = parent->children;
        c.erase(std::remove_if(c.begin(), c.end(), [&](auto& s) { return s.get() == this; }), c.end());
    } else if (slide) {
        slide->Remove(this);
    }
    if (slide) {
        std::vector<std::shared_ptr<FakeSequence>> seqs{slide->timeline->main};
        auto& inter = slide->timeline->interactive->items;
        inter.erase(std::remove_if(inter.begin(), inter.end(), [&](auto& q) { return q->trigger.get() == this; }),
                    inter.end());
        seqs.insert(seqs.end(), inter.begin(), inter.end());
        for (auto& seq : seqs) {
            auto& effects = seq->effects;
            for (auto& e : effects)
                if (e->shape.get() == this) e->deleted = true;
            effects.erase(std::remove_if(effects.begin(), effects.end(), [&](auto& e) { return e->shape.get() == this; }),
                          effects.end());
        }
        for (auto& s : slide->shapes) {
            if (!s->connector) continue;
            if (s->connector->begin.get() == this) s->connector->begin.reset();
            if (s->connector->end.get() == this) s->connector->end.reset();
        }
        auto& sel = slide->pres->selected;
        sel.erase(std::remove_if(sel.begin(), sel.end(), [&](auto& s) { return s.get() == this; }), sel.end());
    }
}

void FakeShape::PickUp() {
    LIVE("Shape.PickUp");
    pickedUp = true;
}

std::shared_ptr<office::ShapeRange> FakeShape::Ungroup() {
    LIVE("Shape.Ungroup");
    if (type != office::ppt::kShapeGroup || !slide || parent)
        throw AutomationError("Shape.Ungroup", "not a top-level group");
    int at = slide->IndexOf(this);
    auto members = children;
    children.clear();
    deleted = true;
    slide->Remove(this);
    for (auto& m : members) m->parent = nullptr;
    for (size_t i = 0; i < members.size(); ++i)
        slide->Insert(members[i], at + static_cast<int>(i));
    // Effects of a group are lost when it is taken apart, as in the program.
    auto& effects = slide->timeline->main->effects;
    effects.erase(std::remove_if(effects.begin(), effects.end(), [&](auto& e) { return e->shape.get() == this; }),
                  effects.end());
    return std::make_shared<FakeShapeRange>(office_, slide, members);
}

namespace {
class FakeOLEFormat : public office::OLEFormat {
public:
    FakeOLEFormat(FakeOffice* o, std::string p) : o_(o), p_(std::move(p)) {}
    std::string ProgID() override { o_->Hit("OLEFormat.ProgID"); return p_; }

private:
    FakeOffice* o_;
    std::string p_;
};
class FakeLinkFormat : public office::LinkFormat {
public:
    FakeLinkFormat(FakeOffice* o, std::string p) : o_(o), p_(std::move(p)) {}
    std::string SourceFullName() override { o_->Hit("LinkFormat.SourceFullName"); return p_; }

private:
    FakeOffice* o_;
    std::string p_;
};
} // namespace

std::shared_ptr<office::OLEFormat> FakeShape::GetOLEFormat() {
    LIVE("Shape.OLEFormat");
    if (!hasOLEFormat) throw AutomationError("Shape.OLEFormat", "not an OLE object");
    return std::make_shared<FakeOLEFormat>(office_, progId);
}

std::shared_ptr<office::LinkFormat> FakeShape::GetLinkFormat() {
    LIVE("Shape.LinkFormat");
    if (!hasLinkFormat) throw AutomationError("Shape.LinkFormat", "not a linked object");
    return std::make_shared<FakeLinkFormat>(office_, sourceFullName);
}

std::shared_ptr<office::MediaFormat> FakeShape::GetMediaFormat() {
    LIVE("Shape.MediaFormat");
    throw AutomationError("Shape.MediaFormat", "not supported by the fake");
}

std::shared_ptr<office::ActionSetting> FakeShape::ActionSettings(int index) {
    LIVE("Shape.ActionSettings");
    if (index < 1 || index > 2) throw AutomationError("Shape.ActionSettings", "index out of range");
    return actions[index - 1];
}

std::shared_ptr<office::Dispatch> FakeShape::AnimationSettings() {
    LIVE("Shape.AnimationSettings");
    return animationSettings;
}

bool FakeShape::Connector() {
    LIVE("Shape.Connector");
    return isConnector;
}

std::shared_ptr<office::ConnectorFormat> FakeShape::GetConnectorFormat() {
    LIVE("Shape.ConnectorFormat");
    if (!isConnector || !connector) throw AutomationError("Shape.ConnectorFormat", "not a connector");
    return connector;
}

// ---- connectors ----------------------------------------------------------

bool FakeConnectorFormat::BeginConnected() { hit("ConnectorFormat.BeginConnected"); return begin != nullptr; }
std::shared_ptr<office::Shape> FakeConnectorFormat::BeginConnectedShape() {
    hit("ConnectorFormat.BeginConnectedShape");
    if (!begin) throw AutomationError("ConnectorFormat.BeginConnectedShape", "not connected");
    return begin;
}
int FakeConnectorFormat::BeginConnectionSite() { hit("ConnectorFormat.BeginConnectionSite"); return beginSite; }
void FakeConnectorFormat::BeginDisconnect() { hit("ConnectorFormat.BeginDisconnect"); begin.reset(); }
void FakeConnectorFormat::BeginConnect(const std::shared_ptr<office::Shape>& shape, int site) {
    hit("ConnectorFormat.BeginConnect");
    begin = std::dynamic_pointer_cast<FakeShape>(shape);
    beginSite = site;
}
bool FakeConnectorFormat::EndConnected() { hit("ConnectorFormat.EndConnected"); return end != nullptr; }
std::shared_ptr<office::Shape> FakeConnectorFormat::EndConnectedShape() {
    hit("ConnectorFormat.EndConnectedShape");
    if (!end) throw AutomationError("ConnectorFormat.EndConnectedShape", "not connected");
    return end;
}
int FakeConnectorFormat::EndConnectionSite() { hit("ConnectorFormat.EndConnectionSite"); return endSite; }
void FakeConnectorFormat::EndDisconnect() { hit("ConnectorFormat.EndDisconnect"); end.reset(); }
void FakeConnectorFormat::EndConnect(const std::shared_ptr<office::Shape>& shape, int site) {
    hit("ConnectorFormat.EndConnect");
    end = std::dynamic_pointer_cast<FakeShape>(shape);
    endSite = site;
}

// ---- timeline ------------------------------------------------------------

FakePropertyEffect::FakePropertyEffect(FakeOffice* o)
    : FakeDispatch(o, "PropertyEffect"), points(std::make_shared<FakePoints>(o)) {}
std::shared_ptr<office::AnimationPoints> FakePropertyEffect::Points() {
    hit("PropertyEffect.Points");
    return points;
}

int FakePoints::Count() { hit("Points.Count"); return static_cast<int>(items.size()); }
std::shared_ptr<office::Dispatch> FakePoints::Item(int index) {
    hit("Points.Item");
    if (index < 1 || index > static_cast<int>(items.size())) throw AutomationError("Points.Item", "index out of range");
    return items[index - 1];
}
std::shared_ptr<office::Dispatch> FakePoints::Add() {
    hit("Points.Add");
    items.push_back(std::make_shared<FakeDispatch>(office_, "Point"));
    return items.back();
}
bool FakePoints::Smooth() { hit("Points.Smooth"); return smooth; }
void FakePoints::SetSmooth(bool v) { hit("Points.SetSmooth"); smooth = v; }

FakeBehavior::FakeBehavior(FakeOffice* o, int type)
    : FakeDispatch(o, "Behavior"),
      color(std::make_shared<FakeDispatch>(o, "ColorEffect")),
      command(std::make_shared<FakeDispatch>(o, "CommandEffect")),
      motion(std::make_shared<FakeDispatch>(o, "MotionEffect")),
      rotation(std::make_shared<FakeDispatch>(o, "RotationEffect")),
      scale(std::make_shared<FakeDispatch>(o, "ScaleEffect")),
      property(std::make_shared<FakePropertyEffect>(o)) {
    Poke("Type", type);
    Poke("Accumulate", 1);
    Poke("Additive", 1);
}
std::shared_ptr<office::Dispatch> FakeBehavior::ColorEffect() { hit("Behavior.ColorEffect"); return color; }
std::shared_ptr<office::Dispatch> FakeBehavior::CommandEffect() { hit("Behavior.CommandEffect"); return command; }
std::shared_ptr<office::Dispatch> FakeBehavior::MotionEffect() { hit("Behavior.MotionEffect"); return motion; }
std::shared_ptr<office::PropertyEffect> FakeBehavior::GetPropertyEffect() { hit("Behavior.PropertyEffect"); return property; }
std::shared_ptr<office::Dispatch> FakeBehavior::RotationEffect() { hit("Behavior.RotationEffect"); return rotation; }
std::shared_ptr<office::Dispatch> FakeBehavior::ScaleEffect() { hit("Behavior.ScaleEffect"); return scale; }

int FakeBehaviors::Count() {
    office_->Hit("Behaviors.Count");
    return static_cast<int>(items.size());
}
std::shared_ptr<office::AnimationBehavior> FakeBehaviors::Item(int index) {
    office_->Hit("Behaviors.Item");
    if (index < 1 || index > static_cast<int>(items.size())) throw AutomationError("Behaviors.Item", "index out of range");
    return items[index - 1];
}

FakeEffectParameters::FakeEffectParameters(FakeOffice* o)
    : FakeDispatch(o, "EffectParameters"), color2(std::make_shared<FakeDispatch>(o, "Color2")) {}
std::shared_ptr<office::Dispatch> FakeEffectParameters::Color2() { hit("EffectParameters.Color2"); return color2; }

FakeEffect::FakeEffect(FakeOffice* o, FakeSequence* seq, std::shared_ptr<FakeShape> s, int t)
    : shape(std::move(s)), effectType(t),
      params(std::make_shared<FakeEffectParameters>(o)),
      behaviors(std::make_shared<FakeBehaviors>(o)),
      timing(std::make_shared<FakeTiming>(o, seq)), office_(o), seq_(seq) {
    timing->Poke("TriggerType", 1);
    timing->Poke("Duration", 0.5);
    timing->Poke("TriggerDelayTime", 0.0);
}

std::shared_ptr<FakeBehavior> FakeEffect::AddBehavior(int type) {
    behaviors->items.push_back(std::make_shared<FakeBehavior>(office_, type));
    return behaviors->items.back();
}

#define LIVE_EFFECT(key)                                                      \
    do {                                                                      \
        if (deleted) {                                                        \
            office_->calls.push_back(key);                                    \
            throw AutomationError(key, "the effect has been deleted");        \
        }                                                                     \
        hit(key);                                                             \
    } while (0)

std::shared_ptr<office::Shape> FakeEffect::GetShape() { LIVE_EFFECT("Effect.Shape"); return shape; }
int FakeEffect::EffectType() { LIVE_EFFECT("Effect.EffectType"); return effectType; }
int FakeEffect::Index() {
    LIVE_EFFECT("Effect.Index");
    auto& e = seq_->effects;
    for (size_t i = 0; i < e.size(); ++i)
        if (e[i].get() == this) return static_cast<int>(i) + 1;
    throw AutomationError("Effect.Index", "not in the sequence");
}
std::shared_ptr<office::EffectParameters> FakeEffect::GetEffectParameters() { LIVE_EFFECT("Effect.EffectParameters"); return params; }
std::shared_ptr<office::AnimationBehaviors> FakeEffect::Behaviors() { LIVE_EFFECT("Effect.Behaviors"); return behaviors; }
std::shared_ptr<office::EffectTiming> FakeEffect::Timing() { LIVE_EFFECT("Effect.Timing"); return timing; }

std::shared_ptr<office::Shape> FakeTiming::TriggerShape() {
    hit("Timing.TriggerShape");
    if (!seq_ || !seq_->trigger) throw AutomationError("Timing.TriggerShape", "the effect has no trigger shape");
    return seq_->trigger;
}
void FakeTiming::SetTriggerShape(const std::shared_ptr<office::Shape>& shape) {
    hit("Timing.SetTriggerShape");
    auto s = std::dynamic_pointer_cast<FakeShape>(shape);
    if (!seq_ || !seq_->trigger || !s || s->deleted)
        throw AutomationError("Timing.SetTriggerShape", "invalid trigger");
    seq_->trigger = s;
}
office::Value FakeEffect::Exit() { LIVE_EFFECT("Effect.Exit"); return exit; }
void FakeEffect::SetExit(const office::Value& v) { LIVE_EFFECT("Effect.SetExit"); exit = v; }
void FakeEffect::Delete() {
    LIVE_EFFECT("Effect.Delete");
    deleted = true;
    auto& e = seq_->effects;
    e.erase(std::remove_if(e.begin(), e.end(), [&](auto& x) { return x.get() == this; }), e.end());
}

int FakeSequence::Count() { hit("Sequence.Count"); return static_cast<int>(effects.size()); }
std::shared_ptr<office::Effect> FakeSequence::Item(int index) {
    hit("Sequence.Item");
    if (index < 1 || index > static_cast<int>(effects.size())) throw AutomationError("Sequence.Item", "index out of range");
    return effects[index - 1];
}
std::shared_ptr<office::Effect> FakeSequence::AddEffect(const std::shared_ptr<office::Shape>& shape, int effectId,
                                                        int index) {
    hit("Sequence.AddEffect");
    auto s = std::dynamic_pointer_cast<FakeShape>(shape);
    if (!s || s->deleted) throw AutomationError("Sequence.AddEffect", "invalid shape");
    auto e = std::make_shared<FakeEffect>(office_, this, s, effectId);
    auto it = office_->defaultBehaviorTypes.find(effectId);
    std::vector<int> types = it == office_->defaultBehaviorTypes.end() ? std::vector<int>{8} : it->second;
    for (int t : types) e->AddBehavior(t);
    int at = std::clamp(index - 1, 0, static_cast<int>(effects.size()));
    effects.insert(effects.begin() + at, e);
    return e;
}
std::shared_ptr<FakeEffect> FakeSequence::Append(const std::shared_ptr<FakeShape>& shape, int effectType) {
    effects.push_back(std::make_shared<FakeEffect>(office_, this, shape, effectType));
    return effects.back();
}

FakeTimeLine::FakeTimeLine(FakeOffice* o)
    : main(std::make_shared<FakeSequence>(o)), interactive(std::make_shared<FakeSequences>(o)), office_(o) {}
std::shared_ptr<office::Sequence> FakeTimeLine::MainSequence() {
    office_->Hit("TimeLine.MainSequence");
    return main;
}
std::shared_ptr<office::Sequences> FakeTimeLine::InteractiveSequences() {
    office_->Hit("TimeLine.InteractiveSequences");
    return interactive;
}
std::shared_ptr<FakeSequence> FakeTimeLine::AddInteractive(const std::shared_ptr<FakeShape>& trigger) {
    auto seq = std::make_shared<FakeSequence>(office_);
    seq->trigger = trigger;
    interactive->items.push_back(seq);
    return seq;
}
int FakeSequences::Count() {
    office_->Hit("Sequences.Count");
    return static_cast<int>(items.size());
}
std::shared_ptr<office::Sequence> FakeSequences::Item(int index) {
    office_->Hit("Sequences.Item");
    if (index < 1 || index > static_cast<int>(items.size())) throw AutomationError("Sequences.Item", "index out of range");
    return items[index - 1];
}

// ---- ranges and shapes collection ----------------------------------------

int FakeShapeRange::Count() {
    office_->Hit("ShapeRange.Count");
    return static_cast<int>(shapes.size());
}

std::shared_ptr<office::Shape> FakeShapeRange::Item(int index) {
    office_->Hit("ShapeRange.Item");
    if (index < 1 || index > static_cast<int>(shapes.size())) throw AutomationError("ShapeRange.Item", "index out of range");
    return shapes[index - 1];
}

std::shared_ptr<office::Shape> FakeShapeRange::Group() {
    office_->Hit("ShapeRange.Group");
    std::vector<std::shared_ptr<FakeShape>> members;
    for (auto& s : shapes)
        if (!s->deleted && !s->parent) members.push_back(s);
    if (members.size() < 2 || !slide_) throw AutomationError("ShapeRange.Group", "needs two shapes or more");
    // The group takes the stacking place of its frontmost member.
    int at = -1;
    for (auto& m : members) at = std::max(at, slide_->IndexOf(m.get()));
    std::sort(members.begin(), members.end(),
              [&](auto& a, auto& b) { return slide_->IndexOf(a.get()) < slide_->IndexOf(b.get()); });
    auto g = std::make_shared<FakeShape>(office_, office_->NextName("Group"), office::ppt::kShapeGroup);
    double l = 1e300, t = 1e300, r = -1e300, b = -1e300;
    for (auto& m : members) {
        l = std::min(l, m->left);
        t = std::min(t, m->top);
        r = std::max(r, m->left + m->width);
        b = std::max(b, m->top + m->height);
    }
    g->left = l, g->top = t, g->width = r - l, g->height = b - t;
    int removedBefore = 0;
    for (auto& m : members)
        if (slide_->IndexOf(m.get()) < at) ++removedBefore;
    for (auto& m : members) {
        slide_->Remove(m.get());
        m->parent = g.get();
        g->children.push_back(m);
    }
    slide_->Insert(g, at - removedBefore);
    slide_->pres->selected = {g};
    return g;
}

int FakeShapes::Count() {
    office_->Hit("Shapes.Count");
    return static_cast<int>(slide_->shapes.size());
}

std::shared_ptr<office::Shape> FakeShapes::Item(int index) {
    office_->Hit("Shapes.Item");
    if (index < 1 || index > static_cast<int>(slide_->shapes.size())) throw AutomationError("Shapes.Item", "index out of range");
    return slide_->shapes[index - 1];
}

std::shared_ptr<office::ShapeRange> FakeShapes::Range() {
    office_->Hit("Shapes.Range");
    return std::make_shared<FakeShapeRange>(office_, slide_, slide_->shapes);
}

std::shared_ptr<office::Shape> FakeShapes::AddShape(int type, double left, double top, double width, double height) {
    office_->Hit("Shapes.AddShape");
    std::string prefix = type == office::ppt::kAddOval ? "Oval" : "Rectangle";
    auto s = std::make_shared<FakeShape>(office_, office_->NextName(prefix), office::ppt::kShapeAuto);
    s->left = left, s->top = top, s->width = width, s->height = height;
    slide_->Insert(s);
    return s;
}

std::shared_ptr<office::Shape> FakeShapes::AddMediaObject(const std::string& path, double left, double top,
                                                          double width, double height) {
    office_->Hit("Shapes.AddMediaObject");
    if (!std::filesystem::exists(path)) throw AutomationError("Shapes.AddMediaObject", "file not found");
    auto s = std::make_shared<FakeShape>(office_, office_->NextName("Media"), office::ppt::kShapeMedia);
    s->left = left, s->top = top, s->width = width, s->height = height;
    s->hasLinkFormat = true;
    s->sourceFullName = path;
    s->bytes = static_cast<double>(std::filesystem::file_size(path));
    slide_->Insert(s);
    return s;
}

std::shared_ptr<office::ShapeRange> FakeShapes::Paste() {
    office_->Hit("Shapes.Paste");
    auto& c = office_->clipboard->content;
    if (!c) throw AutomationError("Shapes.Paste", "the clipboard is empty");
    int type = c->format ? office::ppt::kShapePicture : c->sourceType;
    auto s = std::make_shared<FakeShape>(office_, office_->NextName(c->format ? "Picture" : "Pasted"), type);
    s->width = c->width, s->height = c->height;
    s->bytes = c->sourceBytes;
    s->raster = c->raster;
    s->transparent = c->transparent;
    s->pastedFormat = c->format;
    s->hasOLEFormat = c->isOLE && !c->format;
    s->progId = c->progId;
    slide_->Insert(s);
    return std::make_shared<FakeShapeRange>(office_, slide_, std::vector<std::shared_ptr<FakeShape>>{s});
}

std::shared_ptr<office::ShapeRange> FakeShapes::PasteSpecial(int dataType) {
    office_->Hit("Shapes.PasteSpecial");
    auto& c = office_->clipboard->content;
    if (!c) throw AutomationError("Shapes.PasteSpecial", "the clipboard is empty");
    if (dataType < 3 || dataType > 6) throw AutomationError("Shapes.PasteSpecial", "unsupported data type");
    // as the package layer does: no format that would flatten the picture
    if (c->transparent && dataType == office::ppt::kPasteJPG)
        throw AutomationError("Shapes.PasteSpecial", "JPEG cannot carry transparent pixels");
    auto s = std::make_shared<FakeShape>(office_, office_->NextName("Picture"), office::ppt::kShapePicture);
    s->width = c->width, s->height = c->height;
    s->bytes = office_->pastedBytes(*c, dataType);
    s->raster = office_->pastedRaster(*c, dataType);
    s->pastedFormat = dataType;
    s->transparent = c->transparent && dataType != office::ppt::kPasteJPG;
    slide_->Insert(s);
    return std::make_shared<FakeShapeRange>(office_, slide_, std::vector<std::shared_ptr<FakeShape>>{s});
}

// ---- slides --------------------------------------------------------------

FakeSlide::FakeSlide(FakeOffice* o, FakePresentation* p)
    : timeline(std::make_shared<FakeTimeLine>(o)), collection(std::make_shared<FakeShapes>(o, this)), pres(p), office_(o) {}

std::shared_ptr<office::Shapes> FakeSlide::GetShapes() {
    hit("Slide.Shapes");
    return collection;
}

void FakeSlide::Select() {
    hit("Slide.Select");
    pres->selectedSlide = this;
    pres->selected.clear();
}

std::shared_ptr<office::TimeLine> FakeSlide::GetTimeLine() {
    hit("Slide.TimeLine");
    return timeline;
}

void FakeSlide::Delete() {
    hit("Slide.Delete");
    deleted = true;
    auto& s = pres->slides;
    s.erase(std::remove_if(s.begin(), s.end(), [&](auto& x) { return x.get() == this; }), s.end());
}

void FakeSlide::Insert(const std::shared_ptr<FakeShape>& shape, int index) {
    shape->slide = this;
    for (auto& c : shape->children) c->slide = this;
    if (index < 0 || index > static_cast<int>(shapes.size())) shapes.push_back(shape);
    else shapes.insert(shapes.begin() + index, shape);
}

void FakeSlide::Remove(FakeShape* shape) {
    shapes.erase(std::remove_if(shapes.begin(), shapes.end(), [&](auto& s) { return s.get() == shape; }), shapes.end());
}

int FakeSlide::IndexOf(const FakeShape* shape) const {
    for (size_t i = 0; i < shapes.size(); ++i)
        if (shapes[i].get() == shape) return static_cast<int>(i);
    return -1;
}

std::shared_ptr<FakeShape> FakeSlide::AddShape(const std::string& name, int type, double bytes) {
    auto s = std::make_shared<FakeShape>(office_, name, type);
    s->bytes = bytes;
    Insert(s);
    return s;
}

std::shared_ptr<FakeShape> FakeSlide::AddGroup(const std::string& name,
                                               const std::vector<std::shared_ptr<FakeShape>>& members) {
    auto g = std::make_shared<FakeShape>(office_, name, office::ppt::kShapeGroup);
    double l = 1e300, t = 1e300, r = -1e300, b = -1e300;
    for (auto& m : members) {
        Remove(m.get());
        if (m->parent) {
            auto& c = m->parent->children;
            c.erase(std::remove(c.begin(), c.end(), m), c.end());
        }
        m->parent = g.get();
        g->children.push_back(m);
        l = std::min(l, m->left);
        t = std::min(t, m->top);
        r = std::max(r, m->left + m->width);
        b = std::max(b, m->top + m->height);
    }
    if (!members.empty()) g->left = l, g->top = t, g->width = r - l, g->height = b - t;
    Insert(g);
    return g;
}

std::shared_ptr<FakeShape> FakeSlide::Find(const std::string& name) const {
    for (auto& s : shapes)
        if (s->name == name) return s;
    return nullptr;
}

int FakeSlides::Count() {
    office_->Hit("Slides.Count", &pres_->fails);
    return static_cast<int>(pres_->slides.size());
}

std::shared_ptr<office::Slide> FakeSlides::Item(int index) {
    office_->Hit("Slides.Item", &pres_->fails);
    if (index < 1 || index > static_cast<int>(pres_->slides.size())) throw AutomationError("Slides.Item", "index out of range");
    return pres_->slides[index - 1];
}

std::shared_ptr<office::Slide> FakeSlides::Add(int index, int layout) {
    office_->Hit("Slides.Add", &pres_->fails);
    auto s = std::make_shared<FakeSlide>(office_, pres_);
    int at = std::clamp(index - 1, 0, static_cast<int>(pres_->slides.size()));
    pres_->slides.insert(pres_->slides.begin() + at, s);
    return s;
}

// ---- windows and selection -----------------------------------------------

std::shared_ptr<office::ShapeRange> FakeSelection::GetShapeRange() {
    office_->Hit("Selection.ShapeRange");
    if (pres_->selected.empty()) throw AutomationError("Selection.ShapeRange", "nothing is selected");
    return std::make_shared<FakeShapeRange>(office_, pres_->selected.front()->slide, pres_->selected);
}

void FakeSelection::Unselect() {
    office_->Hit("Selection.Unselect");
    pres_->selected.clear();
}

int FakePane::ViewType() {
    office_->Hit("Pane.ViewType");
    return viewType;
}

FakeWindow::FakeWindow(FakeOffice* o, FakePresentation* p)
    : pane(std::make_shared<FakePane>(o)), selection(std::make_shared<FakeSelection>(o, p)), office_(o) {}
int FakeWindow::ViewType() { office_->Hit("DocumentWindow.ViewType"); return viewType; }
void FakeWindow::SetViewType(int v) { office_->Hit("DocumentWindow.SetViewType"); viewType = v; }
std::shared_ptr<office::Pane> FakeWindow::Panes(int index) {
    office_->Hit("DocumentWindow.Panes");
    if (index != 1) throw AutomationError("DocumentWindow.Panes", "index out of range");
    return pane;
}
void FakeWindow::Activate() { office_->Hit("DocumentWindow.Activate"); }
std::shared_ptr<office::Selection> FakeWindow::GetSelection() {
    office_->Hit("DocumentWindow.Selection");
    return selection;
}

// ---- presentations -------------------------------------------------------

FakePresentation::FakePresentation(FakeOffice* o, std::string name)
    : fullName(std::move(name)), window(std::make_shared<FakeWindow>(o, this)), office_(o) {}

std::shared_ptr<office::DocumentWindow> FakePresentation::Windows(int index) {
    hit("Presentation.Windows");
    if (index != 1) throw AutomationError("Presentation.Windows", "index out of range");
    return window;
}

std::shared_ptr<office::Slides> FakePresentation::GetSlides() {
    hit("Presentation.Slides");
    return std::make_shared<FakeSlides>(office_, this);
}

bool FakePresentation::Saved() { hit("Presentation.Saved"); return saved; }
void FakePresentation::SetSaved(bool s) { hit("Presentation.SetSaved"); saved = s; }

void FakePresentation::SaveAs(const std::string& path) {
    hit("Presentation.SaveAs");
    if (closed) throw AutomationError("Presentation.SaveAs", "closed");
    if (saveErrno) throw AutomationError("Presentation.SaveAs", "cannot write " + path, saveErrno);
    double size = FakeOffice::kBaseFileSize;
    for (auto& sl : slides)
        for (auto& sh : sl->shapes) size += sh->TotalBytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw AutomationError("Presentation.SaveAs", "cannot write " + path);
    std::string block(4096, 'p');
    auto left = static_cast<long long>(size);
    while (left > 0) {
        auto n = std::min<long long>(left, static_cast<long long>(block.size()));
        out.write(block.data(), n);
        left -= n;
    }
    out.close();
    if (!out) throw AutomationError("Presentation.SaveAs", "cannot write " + path);
    fullName = path;
    savedTo.push_back(path);
    saved = true;
}

void FakePresentation::Close() {
    hit("Presentation.Close");
    closed = true;
    for (auto& app : office_->powerPoints) {
        auto& o = app->open;
        o.erase(std::remove_if(o.begin(), o.end(), [&](auto& p) { return p.get() == this; }), o.end());
    }
}

std::string FakePresentation::FullName() { hit("Presentation.FullName"); return fullName; }

std::shared_ptr<FakeSlide> FakePresentation::AddSlide() {
    auto s = std::make_shared<FakeSlide>(office_, this);
    slides.push_back(s);
    return s;
}

// ---- applications --------------------------------------------------------

void FakeControl::Execute() { office_->Hit("CommandBarControl.Execute"); executed = true; }
void FakeControl::Delete() { office_->Hit("CommandBarControl.Delete"); deleted = true; }

std::shared_ptr<office::CommandBarControl> FakeCommandBar::AddControl(int id) {
    office_->Hit("CommandBar.AddControl");
    controls.push_back(std::make_shared<FakeControl>(office_));
    return controls.back();
}

int FakePresentations::Count() {
    office_->Hit("Presentations.Count");
    return static_cast<int>(app_->open.size());
}

std::shared_ptr<office::Presentation> FakePresentations::Add(bool withWindow) {
    office_->Hit("Presentations.Add");
    auto p = office_->MakePresentation("Presentation" + std::to_string(office_->powerPoints.size()));
    app_->open.push_back(p);
    return p;
}

std::shared_ptr<office::Presentation> FakePresentations::Open(const std::string& path, bool readOnly) {
    office_->Hit("Presentations.Open");
    auto it = office_->decks.find(path);
    if (it == office_->decks.end() && !std::filesystem::exists(path))
        throw AutomationError("Presentations.Open", "file not found: " + path);
    auto p = office_->MakePresentation(path);
    p->readOnly = readOnly;
    if (it != office_->decks.end()) it->second(*p);
    app_->open.push_back(p);
    return p;
}

FakePowerPoint::FakePowerPoint(FakeOffice* o)
    : presentations(std::make_shared<FakePresentations>(o, this)), standard(std::make_shared<FakeCommandBar>(o)), office_(o) {}

std::string FakePowerPoint::Version() { hit("Application.Version"); return office_->version; }
std::string FakePowerPoint::Name() { hit("Application.Name"); return "Microsoft PowerPoint"; }
void FakePowerPoint::Quit() {
    hit("Application.Quit");
    quit = true;
    open.clear();
}
bool FakePowerPoint::Visible() { hit("Application.Visible"); return visible; }
void FakePowerPoint::SetVisible(bool v) { hit("Application.SetVisible"); visible = v; }
int FakePowerPoint::WindowState() { hit("Application.WindowState"); return windowState; }
void FakePowerPoint::SetWindowState(int s) { hit("Application.SetWindowState"); windowState = s; }
std::shared_ptr<office::Presentations> FakePowerPoint::GetPresentations() {
    hit("Application.Presentations");
    return presentations;
}
std::shared_ptr<office::CommandBar> FakePowerPoint::CommandBars(const std::string& name) {
    hit("Application.CommandBars");
    if (!office_->hasCommandBars || name != "Standard") throw AutomationError("Application.CommandBars", "no such command bar");
    return standard;
}

int FakeExcelShapes::Count() { office_->Hit("ExcelShapes.Count"); return static_cast<int>(items.size()); }
std::shared_ptr<office::ExcelShape> FakeExcelShapes::Item(int index) {
    office_->Hit("ExcelShapes.Item");
    if (index < 1 || index > static_cast<int>(items.size())) throw AutomationError("ExcelShapes.Item", "index out of range");
    return items[index - 1];
}

void FakeExcelShape::Copy() {
    office_->Hit("ExcelShape.Copy");
    office_->clipboard->content = content;
}

void FakeExcelShape::Delete() {
    office_->Hit("ExcelShape.Delete");
    auto& v = owner_->items;
    v.erase(std::remove_if(v.begin(), v.end(), [&](auto& s) { return s.get() == this; }), v.end());
}

FakeWorksheet::FakeWorksheet(FakeOffice* o) : shapes(std::make_shared<FakeExcelShapes>(o)), office_(o) {}

void FakeWorksheet::PasteSpecial(const std::string& format, bool link, bool displayAsIcon) {
    office_->Hit("Worksheet.PasteSpecial");
    auto& c = office_->clipboard->content;
    if (!c) throw AutomationError("Worksheet.PasteSpecial", "the clipboard is empty");
    int dt = 0;
    if (format == "図 (JPEG)") dt = office::ppt::kPasteJPG;
    else if (format == "図 (PNG)") dt = office::ppt::kPastePNG;
    else if (format == "図 (GIF)") dt = office::ppt::kPasteGIF;
    else if (format == "図 (拡張メタファイル)") dt = office::ppt::kPasteMetafile;
    else throw AutomationError("Worksheet.PasteSpecial", "unknown format " + format);
    if (c->transparent && dt == office::ppt::kPasteJPG)
        throw AutomationError("Worksheet.PasteSpecial", "JPEG cannot carry transparent pixels");
    pastedFormats.push_back(format);
    ClipContent pasted = *c;
    pasted.format = dt;
    pasted.sourceBytes = office_->pastedBytes(*c, dt);
    pasted.raster = office_->pastedRaster(*c, dt);
    pasted.transparent = c->transparent && dt != office::ppt::kPasteJPG;
    shapes->items.push_back(std::make_shared<FakeExcelShape>(office_, shapes.get(), pasted));
}

std::shared_ptr<office::ExcelShapes> FakeWorksheet::GetShapes() {
    office_->Hit("Worksheet.Shapes");
    return shapes;
}

FakeWorkbook::FakeWorkbook(FakeOffice* o) : sheet(std::make_shared<FakeWorksheet>(o)), office_(o) {}
std::shared_ptr<office::Worksheet> FakeWorkbook::Worksheets(int index) {
    office_->Hit("Workbook.Worksheets");
    if (index != 1) throw AutomationError("Workbook.Worksheets", "index out of range");
    return sheet;
}
bool FakeWorkbook::Saved() { office_->Hit("Workbook.Saved"); return saved; }
void FakeWorkbook::SetSaved(bool s) { office_->Hit("Workbook.SetSaved"); saved = s; }
void FakeWorkbook::Close() { office_->Hit("Workbook.Close"); closed = true; }

int FakeWorkbooks::Count() {
    office_->Hit("Workbooks.Count");
    int n = preOpen;
    for (auto& w : open)
        if (!w->closed) ++n;
    return n;
}
std::shared_ptr<office::Workbook> FakeWorkbooks::Add() {
    office_->Hit("Workbooks.Add");
    open.push_back(std::make_shared<FakeWorkbook>(office_));
    return open.back();
}

FakeExcel::FakeExcel(FakeOffice* o) : workbooks(std::make_shared<FakeWorkbooks>(o)), office_(o) {}
std::string FakeExcel::Name() { hit("Excel.Name"); return "Microsoft Excel"; }
void FakeExcel::Quit() { hit("Excel.Quit"); quit = true; }
bool FakeExcel::Visible() { hit("Excel.Visible"); return visible; }
void FakeExcel::SetVisible(bool v) { hit("Excel.SetVisible"); visible = v; }
int FakeExcel::WindowState() { hit("Excel.WindowState"); return windowState; }
void FakeExcel::SetWindowState(int s) { hit("Excel.SetWindowState"); windowState = s; }
std::shared_ptr<office::Workbooks> FakeExcel::GetWorkbooks() {
    hit("Excel.Workbooks");
    return workbooks;
}

} // namespace quillmax::test
