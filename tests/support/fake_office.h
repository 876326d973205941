// File: tests/support/fake_office.h
// An in-memory presentation program (and spreadsheet program) behind the
// office/ interfaces, for testing the system code: configurable version,
// with or without the spreadsheet program, documents open at start, and any
// named member call made to fail.
//
// Failure keys are "Object.Member" for reads and calls and "Object.SetMember"
// for assignments, e.g. "Shape.Rotation", "Shape.SetRotation",
// "Shapes.PasteSpecial", "Presentations.Open", "Hyperlink.SetAddress",
// "Timing.SetDuration", "Sequence.AddEffect", "Automation.CreatePowerPoint".
// Dispatch objects use their object name: "AnimationSettings", "Timing",
// "EffectParameters", "Color2", "Behavior", "ColorEffect", "CommandEffect",
// "MotionEffect", "PropertyEffect", "RotationEffect", "ScaleEffect",
// "Point", "Points". Every member call is also appended to calls(), as
// "Object.Member" (assignments as "Object.SetMember").
//
// Sizes: a presentation saved by the fake is a real file whose size is
// kBaseFileSize plus the `bytes` of every shape in it, so the engine's
// measurement by saving works as it does against the real program.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "office/automation.h"
#include "base/errors.h"

namespace quillmax::test {

class FakeOffice;
class FakeSlide;
class FakeShape;
class FakePresentation;
class FakeEffect;

// ---- failure rules -------------------------------------------------------

struct FailRule {
    int skip = 0;   // calls that still succeed first
    int count = -1; // failing calls after those (-1: all)
};

class FailSet {
public:
    void FailOn(const std::string& key, int skip = 0, int count = -1) { rules_[key] = {skip, count}; }
    void Clear(const std::string& key) { rules_.erase(key); }
    // True when this call must fail (consumes the rule's counters).
    bool Hit(const std::string& key);

private:
    std::map<std::string, FailRule> rules_;
};

// ---- late-bound property bag ---------------------------------------------

class FakeDispatch : public virtual office::Dispatch {
public:
    FakeDispatch(FakeOffice* office, std::string objectName) : office_(office), object_(std::move(objectName)) {}
    office::Value Get(std::string_view member) override;
    void Set(std::string_view member, const office::Value& value) override;

    // Direct access for tests (no failure, no call log).
    office::Value Peek(const std::string& member) const;
    void Poke(const std::string& member, const office::Value& value);
    const std::string& objectName() const { return object_; }
    FailSet& fails() { return fails_; }
    // Members whose assignment this object refuses.
    void RefuseSet(const std::string& member) { fails_.FailOn(object_ + ".Set" + member); }

protected:
    void hit(const std::string& key);
    FakeOffice* office_;
    std::string object_;
    FailSet fails_;
    std::map<std::string, office::Value> values_; // lower-cased member names
};

// ---- clipboard -----------------------------------------------------------

// What a Copy put on the clipboard.
struct ClipContent {
    std::string sourceName;
    int sourceType = office::ppt::kShapePicture;
    bool isOLE = false;
    std::string progId;
    double width = 0, height = 0;  // shape size at copy time (points)
    double sourceBytes = 0;        // weight of the copied shape
    int format = 0;                // 0: the shape itself; 3/4/5/6: a pasted picture format
    std::optional<office::Raster> raster;
    bool transparent = false;      // some pixel is not opaque
};

class FakeClipboard : public office::Clipboard {
public:
    explicit FakeClipboard(FakeOffice* office) : office_(office) {}
    void Clear() override;
    std::optional<office::Raster> MetafilePicture() override;
    bool PictureIsTransparent() override;
    std::optional<ClipContent> content;
    int clears = 0;

private:
    FakeOffice* office_;
};

// ---- action settings -----------------------------------------------------

class FakeHyperlink : public office::Hyperlink {
public:
    explicit FakeHyperlink(FakeOffice* o) : office_(o) {}
    std::string Address() override;
    void SetAddress(const std::string& v) override;
    std::string SubAddress() override;
    void SetSubAddress(const std::string& v) override;
    std::string ScreenTip() override;
    void SetScreenTip(const std::string& v) override;
    std::string TextToDisplay() override;
    void SetTextToDisplay(const std::string& v) override;
    std::string EmailSubject() override;
    void SetEmailSubject(const std::string& v) override;
    bool ShowAndReturn() override;
    void SetShowAndReturn(bool v) override;

    std::string address, subAddress, screenTip, textToDisplay, emailSubject;
    bool showAndReturn = false;
    FailSet fails;

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

class FakeSoundEffect : public office::SoundEffect {
public:
    explicit FakeSoundEffect(FakeOffice* o) : office_(o) {}
    std::string Name() override;
    void SetName(const std::string& v) override;
    int Type() override;
    void SetType(int v) override;

    std::string name;
    int type = 0;
    FailSet fails;

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

class FakeActionSetting : public office::ActionSetting {
public:
    explicit FakeActionSetting(FakeOffice* o);
    int Action() override;
    void SetAction(int v) override;
    int AnimateAction() override;
    void SetAnimateAction(int v) override;
    std::string Run() override;
    void SetRun(const std::string& v) override;
    std::string SlideShowName() override;
    void SetSlideShowName(const std::string& v) override;
    std::shared_ptr<office::Hyperlink> GetHyperlink() override;
    std::shared_ptr<office::SoundEffect> GetSoundEffect() override;

    int action = 0;
    int animateAction = 0;
    std::string run, slideShowName;
    std::shared_ptr<FakeHyperlink> hyperlink;
    std::shared_ptr<FakeSoundEffect> sound;
    FailSet fails;

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

// ---- shapes --------------------------------------------------------------

class FakeConnectorFormat;

class FakeShape : public office::Shape, public std::enable_shared_from_this<FakeShape> {
public:
    FakeShape(FakeOffice* office, std::string name, int type);

    std::string Name() override;
    void SetName(const std::string& name) override;
    int Type() override;
    int PlaceholderContainedType() override;
    double Left() override;
    void SetLeft(double v) override;
    double Top() override;
    void SetTop(double v) override;
    double Width() override;
    void SetWidth(double v) override;
    double Height() override;
    void SetHeight(double v) override;
    double Rotation() override;
    void SetRotation(double v) override;
    int Visible() override;
    void SetVisible(int v) override;
    std::string AlternativeText() override;
    void SetAlternativeText(const std::string& v) override;
    std::string Title() override;
    void SetTitle(const std::string& v) override;
    int ZOrderPosition() override;
    void ZOrder(int command) override;
    void Select(bool replace) override;
    void Copy() override;
    void Delete() override;
    void PickUp() override;
    std::shared_ptr<office::ShapeRange> Ungroup() override;
    std::shared_ptr<office::OLEFormat> GetOLEFormat() override;
    std::shared_ptr<office::LinkFormat> GetLinkFormat() override;
    std::shared_ptr<office::ActionSetting> ActionSettings(int index) override;
    // The fake has no media formats: movies are found as files.
    std::shared_ptr<office::MediaFormat> GetMediaFormat() override;
    std::shared_ptr<office::Dispatch> AnimationSettings() override;
    bool Connector() override;
    std::shared_ptr<office::ConnectorFormat> GetConnectorFormat() override;

    // state, open to tests
    std::string name;
    int type;
    double left = 0, top = 0, width = 100, height = 100, rotation = 0;
    bool visible = true;
    std::string alternativeText, title;
    double bytes = 0;                    // weight in a saved file
    std::string progId;                  // OLE objects ("" also for none)
    bool hasOLEFormat = false;
    std::string sourceFullName;          // media
    bool hasLinkFormat = false;
    std::optional<office::Raster> raster; // how it renders on the clipboard
    bool transparent = false;             // its picture has see-through pixels
    int containedType = office::ppt::kShapeAuto; // what a placeholder holds
    int pastedFormat = 0;                // 3/4/5/6 for shapes made by PasteSpecial
    bool isConnector = false;
    std::shared_ptr<FakeConnectorFormat> connector;
    std::shared_ptr<FakeActionSetting> actions[2];
    std::shared_ptr<FakeDispatch> animationSettings;
    std::vector<std::shared_ptr<FakeShape>> children; // groups
    bool deleted = false;
    bool pickedUp = false;
    FailSet fails;

    FakeSlide* slide = nullptr;     // the slide it lies on (also for group members)
    FakeShape* parent = nullptr;    // the group it belongs to, if any

    // Weight including group members.
    double TotalBytes() const;

private:
    friend class FakeOffice;
    void hit(const std::string& key);
    FakeOffice* office_;
};

class FakeConnectorFormat : public office::ConnectorFormat {
public:
    explicit FakeConnectorFormat(FakeOffice* o) : office_(o) {}
    bool BeginConnected() override;
    std::shared_ptr<office::Shape> BeginConnectedShape() override;
    int BeginConnectionSite() override;
    void BeginDisconnect() override;
    void BeginConnect(const std::shared_ptr<office::Shape>& shape, int site) override;
    bool EndConnected() override;
    std::shared_ptr<office::Shape> EndConnectedShape() override;
    int EndConnectionSite() override;
    void EndDisconnect() override;
    void EndConnect(const std::shared_ptr<office::Shape>& shape, int site) override;

    std::shared_ptr<FakeShape> begin, end;
    int beginSite = 0, endSite = 0;
    FailSet fails;

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

// ---- timeline ------------------------------------------------------------

class FakePoints;

class FakePropertyEffect : public office::PropertyEffect, public FakeDispatch {
public:
    FakePropertyEffect(FakeOffice* o);
    office::Value Get(std::string_view m) override { return FakeDispatch::Get(m); }
    void Set(std::string_view m, const office::Value& v) override { FakeDispatch::Set(m, v); }
    std::shared_ptr<office::AnimationPoints> Points() override;
    std::shared_ptr<FakePoints> points;
};

class FakePoints : public office::AnimationPoints {
public:
    explicit FakePoints(FakeOffice* o) : office_(o) {}
    int Count() override;
    std::shared_ptr<office::Dispatch> Item(int index) override;
    std::shared_ptr<office::Dispatch> Add() override;
    bool Smooth() override;
    void SetSmooth(bool v) override;
    std::vector<std::shared_ptr<FakeDispatch>> items;
    bool smooth = false;
    FailSet fails;

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

class FakeBehavior : public office::AnimationBehavior, public FakeDispatch {
public:
    FakeBehavior(FakeOffice* o, int type);
    office::Value Get(std::string_view m) override { return FakeDispatch::Get(m); }
    void Set(std::string_view m, const office::Value& v) override { FakeDispatch::Set(m, v); }
    std::shared_ptr<office::Dispatch> ColorEffect() override;
    std::shared_ptr<office::Dispatch> CommandEffect() override;
    std::shared_ptr<office::Dispatch> MotionEffect() override;
    std::shared_ptr<office::PropertyEffect> GetPropertyEffect() override;
    std::shared_ptr<office::Dispatch> RotationEffect() override;
    std::shared_ptr<office::Dispatch> ScaleEffect() override;

    std::shared_ptr<FakeDispatch> color, command, motion, rotation, scale;
    std::shared_ptr<FakePropertyEffect> property;
};

class FakeBehaviors : public office::AnimationBehaviors {
public:
    explicit FakeBehaviors(FakeOffice* o) : office_(o) {}
    int Count() override;
    std::shared_ptr<office::AnimationBehavior> Item(int index) override;
    std::vector<std::shared_ptr<FakeBehavior>> items;

private:
    FakeOffice* office_;
};

class FakeEffectParameters : public office::EffectParameters, public FakeDispatch {
public:
    explicit FakeEffectParameters(FakeOffice* o);
    office::Value Get(std::string_view m) override { return FakeDispatch::Get(m); }
    void Set(std::string_view m, const office::Value& v) override { FakeDispatch::Set(m, v); }
    std::shared_ptr<office::Dispatch> Color2() override;
    std::shared_ptr<FakeDispatch> color2;
};

class FakeSequence;

// Timing fields by name; the trigger shape is the sequence's.
class FakeTiming : public office::EffectTiming, public FakeDispatch {
public:
    FakeTiming(FakeOffice* o, FakeSequence* seq) : FakeDispatch(o, "Timing"), seq_(seq) {}
    std::shared_ptr<office::Shape> TriggerShape() override;
    void SetTriggerShape(const std::shared_ptr<office::Shape>& shape) override;

private:
    FakeSequence* seq_;
};

class FakeEffect : public office::Effect, public std::enable_shared_from_this<FakeEffect> {
public:
    FakeEffect(FakeOffice* o, FakeSequence* seq, std::shared_ptr<FakeShape> shape, int effectType);
    std::shared_ptr<office::Shape> GetShape() override;
    int EffectType() override;
    int Index() override;
    std::shared_ptr<office::EffectParameters> GetEffectParameters() override;
    std::shared_ptr<office::AnimationBehaviors> Behaviors() override;
    std::shared_ptr<office::EffectTiming> Timing() override;
    office::Value Exit() override;
    void SetExit(const office::Value& v) override;
    void Delete() override;

    std::shared_ptr<FakeShape> shape;
    int effectType;
    office::Value exit = 0;
    std::shared_ptr<FakeEffectParameters> params;
    std::shared_ptr<FakeBehaviors> behaviors;
    std::shared_ptr<FakeTiming> timing;
    bool deleted = false;
    FailSet fails;

    // Adds a behaviour of the given type (test set-up).
    std::shared_ptr<FakeBehavior> AddBehavior(int type);

private:
    void hit(const std::string& key);
    FakeOffice* office_;
    FakeSequence* seq_;
};

class FakeSequence : public office::Sequence {
public:
    explicit FakeSequence(FakeOffice* o) : office_(o) {}
    int Count() override;
    std::shared_ptr<office::Effect> Item(int index) override;
    std::shared_ptr<office::Effect> AddEffect(const std::shared_ptr<office::Shape>& shape, int effectId,
                                              int index) override;
    std::vector<std::shared_ptr<FakeEffect>> effects;
    std::shared_ptr<FakeShape> trigger; // interactive sequences: the shape clicked
    FailSet fails;

    // Test set-up: appends an effect on shape.
    std::shared_ptr<FakeEffect> Append(const std::shared_ptr<FakeShape>& shape, int effectType);

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

class FakeSequences : public office::Sequences {
public:
    explicit FakeSequences(FakeOffice* o) : office_(o) {}
    int Count() override;
    std::shared_ptr<office::Sequence> Item(int index) override;
    std::vector<std::shared_ptr<FakeSequence>> items;

private:
    FakeOffice* office_;
};

class FakeTimeLine : public office::TimeLine {
public:
    explicit FakeTimeLine(FakeOffice* o);
    std::shared_ptr<office::Sequence> MainSequence() override;
    std::shared_ptr<office::Sequences> InteractiveSequences() override;
    std::shared_ptr<FakeSequence> main;
    std::shared_ptr<FakeSequences> interactive;
    // Test set-up: a sequence started by clicking trigger.
    std::shared_ptr<FakeSequence> AddInteractive(const std::shared_ptr<FakeShape>& trigger);

private:
    FakeOffice* office_;
};

// ---- slides and presentations --------------------------------------------

class FakeShapeRange : public office::ShapeRange {
public:
    FakeShapeRange(FakeOffice* o, FakeSlide* slide, std::vector<std::shared_ptr<FakeShape>> shapes)
        : office_(o), slide_(slide), shapes(std::move(shapes)) {}
    int Count() override;
    std::shared_ptr<office::Shape> Item(int index) override;
    std::shared_ptr<office::Shape> Group() override;

private:
    FakeOffice* office_;
    FakeSlide* slide_;

public:
    std::vector<std::shared_ptr<FakeShape>> shapes;
};

class FakeShapes : public office::Shapes {
public:
    FakeShapes(FakeOffice* o, FakeSlide* slide) : office_(o), slide_(slide) {}
    int Count() override;
    std::shared_ptr<office::Shape> Item(int index) override;
    std::shared_ptr<office::ShapeRange> Range() override;
    std::shared_ptr<office::Shape> AddShape(int type, double left, double top, double width,
                                            double height) override;
    std::shared_ptr<office::Shape> AddMediaObject(const std::string& path, double left, double top,
                                                  double width, double height) override;
    std::shared_ptr<office::ShapeRange> Paste() override;
    std::shared_ptr<office::ShapeRange> PasteSpecial(int dataType) override;

private:
    FakeOffice* office_;
    FakeSlide* slide_;
};

class FakeSlide : public office::Slide, public std::enable_shared_from_this<FakeSlide> {
public:
    FakeSlide(FakeOffice* o, FakePresentation* pres);
    std::shared_ptr<office::Shapes> GetShapes() override;
    void Select() override;
    std::shared_ptr<office::TimeLine> GetTimeLine() override;
    void Delete() override;

    // Test set-up: a top-level shape, frontmost.
    std::shared_ptr<FakeShape> AddShape(const std::string& name, int type, double bytes = 0);
    // Test set-up: a group of the given shapes (taken off the slide).
    std::shared_ptr<FakeShape> AddGroup(const std::string& name,
                                        const std::vector<std::shared_ptr<FakeShape>>& members);
    // Finds a top-level shape by name (nullptr when none).
    std::shared_ptr<FakeShape> Find(const std::string& name) const;

    std::vector<std::shared_ptr<FakeShape>> shapes; // back to front
    std::shared_ptr<FakeTimeLine> timeline;
    std::shared_ptr<FakeShapes> collection;
    FakePresentation* pres;
    bool deleted = false;
    FailSet fails;

    // Inserts at z-index (0-based), or appends (frontmost) when index < 0.
    void Insert(const std::shared_ptr<FakeShape>& shape, int index = -1);
    void Remove(FakeShape* shape);
    int IndexOf(const FakeShape* shape) const;

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

class FakeSlides : public office::Slides {
public:
    FakeSlides(FakeOffice* o, FakePresentation* p) : office_(o), pres_(p) {}
    int Count() override;
    std::shared_ptr<office::Slide> Item(int index) override;
    std::shared_ptr<office::Slide> Add(int index, int layout) override;

private:
    FakeOffice* office_;
    FakePresentation* pres_;
};

class FakeSelection : public office::Selection {
public:
    FakeSelection(FakeOffice* o, FakePresentation* p) : office_(o), pres_(p) {}
    std::shared_ptr<office::ShapeRange> GetShapeRange() override;
    void Unselect() override;

private:
    FakeOffice* office_;
    FakePresentation* pres_;
};

class FakePane : public office::Pane {
public:
    explicit FakePane(FakeOffice* o) : office_(o) {}
    int ViewType() override;
    int viewType = 1;

private:
    FakeOffice* office_;
};

class FakeWindow : public office::DocumentWindow {
public:
    FakeWindow(FakeOffice* o, FakePresentation* p);
    int ViewType() override;
    void SetViewType(int viewType) override;
    std::shared_ptr<office::Pane> Panes(int index) override;
    void Activate() override;
    std::shared_ptr<office::Selection> GetSelection() override;
    int viewType = 9;
    std::shared_ptr<FakePane> pane;
    std::shared_ptr<FakeSelection> selection;

private:
    FakeOffice* office_;
};

class FakePresentation : public office::Presentation, public std::enable_shared_from_this<FakePresentation> {
public:
    FakePresentation(FakeOffice* o, std::string fullName);
    std::shared_ptr<office::DocumentWindow> Windows(int index) override;
    std::shared_ptr<office::Slides> GetSlides() override;
    bool Saved() override;
    void SetSaved(bool saved) override;
    void SaveAs(const std::string& path) override;
    void Close() override;
    std::string FullName() override;
    std::vector<std::shared_ptr<office::PictureImage>> UnvisitedPictures() override {
        hit("Presentation.UnvisitedPictures");
        return unvisited;
    }

    // Test set-up.
    std::shared_ptr<FakeSlide> AddSlide();
    std::vector<std::shared_ptr<office::PictureImage>> unvisited;

    std::string fullName;
    bool saved = true;
    bool closed = false;
    bool readOnly = false;
    std::vector<std::shared_ptr<FakeSlide>> slides;
    std::shared_ptr<FakeWindow> window;
    std::vector<std::shared_ptr<FakeShape>> selected; // window selection
    FakeSlide* selectedSlide = nullptr;
    std::vector<std::string> savedTo;
    FailSet fails;
    int saveErrno = 0; // SaveAs fails as the system would (ENOSPC, ...)

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

// ---- applications --------------------------------------------------------

class FakeControl : public office::CommandBarControl {
public:
    explicit FakeControl(FakeOffice* o) : office_(o) {}
    void Execute() override;
    void Delete() override;
    bool executed = false, deleted = false;

private:
    FakeOffice* office_;
};

class FakeCommandBar : public office::CommandBar {
public:
    explicit FakeCommandBar(FakeOffice* o) : office_(o) {}
    std::shared_ptr<office::CommandBarControl> AddControl(int id) override;
    std::vector<std::shared_ptr<FakeControl>> controls;

private:
    FakeOffice* office_;
};

class FakePowerPoint;

class FakePresentations : public office::Presentations {
public:
    FakePresentations(FakeOffice* o, FakePowerPoint* app) : office_(o), app_(app) {}
    int Count() override;
    std::shared_ptr<office::Presentation> Add(bool withWindow) override;
    std::shared_ptr<office::Presentation> Open(const std::string& path, bool readOnly) override;

private:
    FakeOffice* office_;
    FakePowerPoint* app_;
};

class FakePowerPoint : public office::Application {
public:
    explicit FakePowerPoint(FakeOffice* o);
    std::string Version() override;
    std::string Name() override;
    void Quit() override;
    bool Visible() override;
    void SetVisible(bool visible) override;
    int WindowState() override;
    void SetWindowState(int state) override;
    std::shared_ptr<office::Presentations> GetPresentations() override;
    std::shared_ptr<office::CommandBar> CommandBars(const std::string& name) override;

    bool quit = false;
    bool visible = false;
    int windowState = 1;
    std::vector<std::shared_ptr<FakePresentation>> open; // open presentations
    std::shared_ptr<FakePresentations> presentations;
    std::shared_ptr<FakeCommandBar> standard;

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

class FakeExcelShape;

class FakeExcelShapes : public office::ExcelShapes {
public:
    explicit FakeExcelShapes(FakeOffice* o) : office_(o) {}
    int Count() override;
    std::shared_ptr<office::ExcelShape> Item(int index) override;
    std::vector<std::shared_ptr<FakeExcelShape>> items;

private:
    FakeOffice* office_;
};

class FakeExcelShape : public office::ExcelShape {
public:
    FakeExcelShape(FakeOffice* o, FakeExcelShapes* owner, ClipContent content)
        : office_(o), owner_(owner), content(std::move(content)) {}
    void Copy() override;
    void Delete() override;

private:
    FakeOffice* office_;
    FakeExcelShapes* owner_;

public:
    ClipContent content;
};

class FakeWorksheet : public office::Worksheet {
public:
    explicit FakeWorksheet(FakeOffice* o);
    void PasteSpecial(const std::string& format, bool link, bool displayAsIcon) override;
    std::shared_ptr<office::ExcelShapes> GetShapes() override;
    std::shared_ptr<FakeExcelShapes> shapes;
    std::vector<std::string> pastedFormats;

private:
    FakeOffice* office_;
};

class FakeWorkbook : public office::Workbook {
public:
    explicit FakeWorkbook(FakeOffice* o);
    std::shared_ptr<office::Worksheet> Worksheets(int index) override;
    bool Saved() override;
    void SetSaved(bool saved) override;
    void Close() override;
    std::shared_ptr<FakeWorksheet> sheet;
    bool saved = false, closed = false;

private:
    FakeOffice* office_;
};

class FakeWorkbooks : public office::Workbooks {
public:
    explicit FakeWorkbooks(FakeOffice* o) : office_(o) {}
    int Count() override;
    std::shared_ptr<office::Workbook> Add() override;
    std::vector<std::shared_ptr<FakeWorkbook>> open;
    int preOpen = 0; // workbooks the user has open

private:
    FakeOffice* office_;
};

class FakeExcel : public office::ExcelApplication {
public:
    explicit FakeExcel(FakeOffice* o);
    std::string Name() override;
    void Quit() override;
    bool Visible() override;
    void SetVisible(bool visible) override;
    int WindowState() override;
    void SetWindowState(int state) override;
    std::shared_ptr<office::Workbooks> GetWorkbooks() override;
    bool quit = false, visible = false;
    int windowState = 1;
    std::shared_ptr<FakeWorkbooks> workbooks;

private:
    void hit(const std::string& key);
    FakeOffice* office_;
};

// ---- the world -----------------------------------------------------------

class FakeOffice : public office::Automation {
public:
    FakeOffice();

    // office::Automation
    std::shared_ptr<office::Application> AttachPowerPoint() override;
    std::shared_ptr<office::Application> CreatePowerPoint() override;
    std::shared_ptr<office::ExcelApplication> CreateExcel() override;
    office::Clipboard& SystemClipboard() override { return *clipboard; }
    void Settle(int ms) override;

    // configuration
    std::string version = "16.0";
    bool powerPointInstalled = true;
    bool excelInstalled = true;
    // A PowerPoint the user has running (AttachPowerPoint finds it), with
    // this many presentations open; -1: none running.
    int runningWithPresentations = -1;
    int excelWorkbooksOpen = 0;       // workbooks open in every new Excel
    bool hasCommandBars = true;
    int outlinePaneView = 1;          // Panes(1).ViewType of opened windows

    // Decks: what Open(path) gives. The builder fills the opened
    // presentation; a path with no deck opens with no slides when the file
    // exists, and fails when it does not.
    std::map<std::string, std::function<void(FakePresentation&)>> decks;

    // Weight of a pasted picture: (copied content, paste format) -> bytes.
    // Default: JPEG 0.3, PNG 0.8, GIF 0.5, metafile 1.1 times the source.
    std::function<double(const ClipContent&, int)> pastedBytes;
    // Rendering of a pasted picture; default: the source's rendering.
    std::function<std::optional<office::Raster>(const ClipContent&, int)> pastedRaster;
    // Behaviour types AddEffect gives a new effect of a type; default {8}.
    std::map<int, std::vector<int>> defaultBehaviorTypes;

    static constexpr double kBaseFileSize = 20000;

    // failure injection and observation
    void FailOn(const std::string& key, int skip = 0, int count = -1) { fails.FailOn(key, skip, count); }
    FailSet fails;
    std::vector<std::string> calls;
    int settleCalls = 0;
    int CountCalls(const std::string& key) const;

    // what exists
    std::shared_ptr<FakeClipboard> clipboard;
    std::vector<std::shared_ptr<FakePowerPoint>> powerPoints; // every instance ever made
    std::vector<std::shared_ptr<FakeExcel>> excels;
    std::shared_ptr<FakePowerPoint> running; // the user's instance, if any
    std::shared_ptr<FakePowerPoint> current() const { return powerPoints.empty() ? nullptr : powerPoints.back(); }

    // internal
    void Hit(const std::string& key, FailSet* local = nullptr);
    std::string NextName(const std::string& prefix);
    std::shared_ptr<FakePresentation> MakePresentation(const std::string& fullName);

private:
    int nameCounter_ = 100;
};

// Builds a solid raster (tests of the pixel check).
office::Raster SolidRaster(int w, int h, std::uint32_t rgb);

} // namespace quillmax::test
