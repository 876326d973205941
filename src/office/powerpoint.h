// File: office/powerpoint.h
// The presentation program's object model as the system calls it: every
// object and member the batch, the pass, the engine and the transfers use,
// with the object model's own names and numbers. Backends (the
// package-backed PowerPoint in platform/pptx, the test fake in
// tests/support, a COM backend on Windows) implement these interfaces; the
// system code cannot tell them apart.
//
// Conventions:
// - Collections are 1-based, as in the object model.
// - Geometry is in points, rotation in degrees.
// - Any failing member call throws AutomationError.
// - Objects are shared handles; a handle to a deleted shape stays valid as
//   an object but every member call on it fails.
// - Loosely typed objects (animation settings, effect parameters, timing,
//   behaviour sub-objects, colour formats, animation points) are Dispatch
//   objects: members read and assigned by name (case-insensitive), values
//   as office::Value.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "office/value.h"

namespace quillmax::office {

class Application;
class Presentations;
class Presentation;
class DocumentWindow;
class Pane;
class Selection;
class Slides;
class Slide;
class Shapes;
class ShapeRange;
class Shape;
class ActionSetting;
class Hyperlink;
class SoundEffect;
class ConnectorFormat;
class OLEFormat;
class LinkFormat;
class MediaFormat;
class TimeLine;
class Sequence;
class Sequences;
class Effect;
class EffectTiming;
class AnimationBehaviors;
class AnimationBehavior;
class PropertyEffect;
class AnimationPoints;
class CommandBar;
class CommandBarControl;

// ---- enumeration values the system passes or compares -------------------

namespace ppt {
inline constexpr int kWindowMinimized = 2;        // ppWindowMinimized
inline constexpr int kViewNormal = 9;             // ppViewNormal
inline constexpr int kViewOutline = 6;            // ppViewOutline
inline constexpr int kShapeAuto = 1;              // msoAutoShape
inline constexpr int kShapeChart = 3;             // msoChart
inline constexpr int kShapeFreeform = 5;          // msoFreeform
inline constexpr int kShapeGroup = 6;             // msoGroup
inline constexpr int kShapeEmbeddedOLE = 7;       // msoEmbeddedOLEObject
inline constexpr int kShapeLine = 9;              // msoLine
inline constexpr int kShapeLinkedOLE = 10;        // msoLinkedOLEObject
inline constexpr int kShapeLinkedPicture = 11;    // msoLinkedPicture
inline constexpr int kShapeOLEControl = 12;       // msoOLEControlObject
inline constexpr int kShapePicture = 13;          // msoPicture
inline constexpr int kShapePlaceholder = 14;      // msoPlaceholder
inline constexpr int kShapeMedia = 16;            // msoMedia
inline constexpr int kShapeTextBox = 17;          // msoTextBox
inline constexpr int kShapeTable = 19;            // msoTable
inline constexpr int kShapeContentApp = 23;       // msoContentApp (content parts)
inline constexpr int kShapeSmartArt = 24;         // msoSmartArt
inline constexpr int kShapeGraphic = 28;          // msoGraphic (an SVG picture)
inline constexpr int kAddRectangle = 1;           // msoShapeRectangle
inline constexpr int kAddOval = 9;                // msoShapeOval
inline constexpr int kPasteMetafile = 3;          // ppPasteMetafilePicture
inline constexpr int kPasteGIF = 4;               // ppPasteGIF
inline constexpr int kPasteJPG = 5;               // ppPasteJPG
inline constexpr int kPastePNG = 6;               // ppPastePNG
// Where a picture that no shape visit reaches is shown (our own numbers).
inline constexpr int kImageBackground = 1;  // slide, layout or master background
inline constexpr int kImageFill = 2;        // a shape's picture fill
inline constexpr int kImageLayout = 3;      // a picture on a layout or master
inline constexpr int kImageSvgFallback = 4; // the bitmap shown for an SVG picture
inline constexpr int kLayoutBlank = 12;           // ppLayoutBlank
inline constexpr int kSendBackward = 3;           // msoSendBackward
inline constexpr int kMouseClick = 1;             // ppMouseClick
inline constexpr int kMouseOver = 2;              // ppMouseOver
} // namespace ppt

// ---- late-bound property objects -----------------------------------------

class Dispatch {
public:
    virtual ~Dispatch() = default;
    virtual Value Get(std::string_view member) = 0;
    virtual void Set(std::string_view member, const Value& value) = 0;
};

// ---- application ---------------------------------------------------------

class CommandBarControl {
public:
    virtual ~CommandBarControl() = default;
    virtual void Execute() = 0;
    virtual void Delete() = 0;
};

class CommandBar {
public:
    virtual ~CommandBar() = default;
    // Controls.Add with the named argument ID.
    virtual std::shared_ptr<CommandBarControl> AddControl(int id) = 0;
};

class Application {
public:
    virtual ~Application() = default;
    virtual std::string Version() = 0; // e.g. "16.0"
    virtual std::string Name() = 0;
    virtual void Quit() = 0;
    virtual bool Visible() = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual int WindowState() = 0;
    virtual void SetWindowState(int state) = 0;
    virtual std::shared_ptr<Presentations> GetPresentations() = 0;
    // CommandBars(name); fails where the application has no command bars.
    virtual std::shared_ptr<CommandBar> CommandBars(const std::string& name) = 0;
};

class Presentations {
public:
    virtual ~Presentations() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<Presentation> Add(bool withWindow) = 0;
    // Open never writes the file; readOnly is always true from the system.
    virtual std::shared_ptr<Presentation> Open(const std::string& path, bool readOnly) = 0;
};

// One stored picture that no shape visit reaches, with every place that
// shows it.
class PictureImage {
public:
    virtual ~PictureImage() = default;
    virtual int Kind() = 0; // of its first place (kImage...)
    // Its largest displayed size over every place, in points.
    virtual double Width() = 0;
    virtual double Height() = 0;
    virtual double Bytes() = 0; // as stored
    virtual bool Transparent() = 0;
    // Renders it at factor x 96 px per inch of its largest displayed size
    // (never above its own pixels) in a PasteSpecial data type (JPEG, PNG)
    // and holds the result; returns the result's size in bytes.
    virtual double Render(double factor, int dataType) = 0;
    // Puts the held rendering in place of the picture, at every place.
    virtual void Replace() = 0;
};

class Presentation {
public:
    virtual ~Presentation() = default;
    virtual std::shared_ptr<DocumentWindow> Windows(int index) = 0;
    virtual std::shared_ptr<Slides> GetSlides() = 0;
    virtual bool Saved() = 0;
    virtual void SetSaved(bool saved) = 0;
    // Writes the format of the path's extension.
    virtual void SaveAs(const std::string& path) = 0;
    virtual void Close() = 0;
    virtual std::string FullName() = 0;
    // The pictures no shape visit reaches: backgrounds, picture fills,
    // pictures on layouts and masters, SVG pictures' bitmaps. A picture that
    // a shape visit may also reach is not among them.
    virtual std::vector<std::shared_ptr<PictureImage>> UnvisitedPictures() { return {}; }
};

class Pane {
public:
    virtual ~Pane() = default;
    virtual int ViewType() = 0;
};

class Selection {
public:
    virtual ~Selection() = default;
    virtual std::shared_ptr<ShapeRange> GetShapeRange() = 0;
    virtual void Unselect() = 0;
};

class DocumentWindow {
public:
    virtual ~DocumentWindow() = default;
    virtual int ViewType() = 0;
    virtual void SetViewType(int viewType) = 0;
    virtual std::shared_ptr<Pane> Panes(int index) = 0;
    virtual void Activate() = 0;
    virtual std::shared_ptr<Selection> GetSelection() = 0;
};

class Slides {
public:
    virtual ~Slides() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<Slide> Item(int index) = 0;
    virtual std::shared_ptr<Slide> Add(int index, int layout) = 0;
};

class Slide {
public:
    virtual ~Slide() = default;
    virtual std::shared_ptr<Shapes> GetShapes() = 0;
    virtual void Select() = 0;
    virtual std::shared_ptr<TimeLine> GetTimeLine() = 0;
    // Removes the slide (the measuring slides of the scratch presentation).
    virtual void Delete() = 0;
};

class Shapes {
public:
    virtual ~Shapes() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<Shape> Item(int index) = 0;
    // Range with no argument: every shape of the collection, now.
    virtual std::shared_ptr<ShapeRange> Range() = 0;
    virtual std::shared_ptr<Shape> AddShape(int type, double left, double top, double width,
                                            double height) = 0;
    virtual std::shared_ptr<Shape> AddMediaObject(const std::string& path, double left, double top,
                                                  double width, double height) = 0;
    // Both return the pasted shapes; item 1 is the new, frontmost shape.
    virtual std::shared_ptr<ShapeRange> Paste() = 0;
    virtual std::shared_ptr<ShapeRange> PasteSpecial(int dataType) = 0;
};

class ShapeRange {
public:
    virtual ~ShapeRange() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<Shape> Item(int index) = 0;
    virtual std::shared_ptr<Shape> Group() = 0;
};

class OLEFormat {
public:
    virtual ~OLEFormat() = default;
    virtual std::string ProgID() = 0;
};

class LinkFormat {
public:
    virtual ~LinkFormat() = default;
    virtual std::string SourceFullName() = 0;
};

// Shape.MediaFormat of a media shape. Its playback settings are late-bound
// members: StartPoint, EndPoint, FadeInDuration, FadeOutDuration (ms),
// Volume (0 to 1), Muted, LoopUntilStopped, PlayAcrossSlides, FullScreen,
// HideWhileNotPlaying, RewindMovie.
class MediaFormat : public virtual Dispatch {
public:
    // The media's bytes live inside the presentation (not only a link).
    virtual bool IsEmbedded() = 0;
    // Writes the embedded media's bytes to a file.
    virtual void ExportMedia(const std::string& path) = 0;
    // Writes the poster frame to pathWithoutExtension + "." + its
    // extension and returns that path; fails when there is none.
    virtual std::string ExportDisplayPicture(const std::string& pathWithoutExtension) = 0;
    virtual void SetDisplayPictureFromFile(const std::string& path) = 0;
};

class Hyperlink {
public:
    virtual ~Hyperlink() = default;
    virtual std::string Address() = 0;
    virtual void SetAddress(const std::string& v) = 0;
    virtual std::string SubAddress() = 0;
    virtual void SetSubAddress(const std::string& v) = 0;
    virtual std::string ScreenTip() = 0;
    virtual void SetScreenTip(const std::string& v) = 0;
    virtual std::string TextToDisplay() = 0;
    virtual void SetTextToDisplay(const std::string& v) = 0;
    virtual std::string EmailSubject() = 0;
    virtual void SetEmailSubject(const std::string& v) = 0;
    virtual bool ShowAndReturn() = 0;
    virtual void SetShowAndReturn(bool v) = 0;
};

class SoundEffect {
public:
    virtual ~SoundEffect() = default;
    virtual std::string Name() = 0;
    virtual void SetName(const std::string& v) = 0;
    virtual int Type() = 0; // ppSoundNone 0, ppSoundStopPrevious 1, ppSoundFile 2
    virtual void SetType(int v) = 0;
};

class ActionSetting {
public:
    virtual ~ActionSetting() = default;
    virtual int Action() = 0; // ppActionType
    virtual void SetAction(int v) = 0;
    virtual int AnimateAction() = 0; // msoTriState: -1 true, 0 false
    virtual void SetAnimateAction(int v) = 0;
    virtual std::string Run() = 0;
    virtual void SetRun(const std::string& v) = 0;
    virtual std::string SlideShowName() = 0;
    virtual void SetSlideShowName(const std::string& v) = 0;
    virtual std::shared_ptr<Hyperlink> GetHyperlink() = 0;
    virtual std::shared_ptr<SoundEffect> GetSoundEffect() = 0;
};

class ConnectorFormat {
public:
    virtual ~ConnectorFormat() = default;
    virtual bool BeginConnected() = 0;
    virtual std::shared_ptr<Shape> BeginConnectedShape() = 0;
    virtual int BeginConnectionSite() = 0; // 1-based
    virtual void BeginDisconnect() = 0;
    virtual void BeginConnect(const std::shared_ptr<Shape>& shape, int site) = 0;
    virtual bool EndConnected() = 0;
    virtual std::shared_ptr<Shape> EndConnectedShape() = 0;
    virtual int EndConnectionSite() = 0;
    virtual void EndDisconnect() = 0;
    virtual void EndConnect(const std::shared_ptr<Shape>& shape, int site) = 0;
};

class Shape {
public:
    virtual ~Shape() = default;
    virtual std::string Name() = 0;
    virtual void SetName(const std::string& name) = 0;
    virtual int Type() = 0;
    // PlaceholderFormat.ContainedType: what a placeholder holds (13 for a
    // picture), as Type would name it without the placeholder.
    virtual int PlaceholderContainedType() = 0;
    virtual double Left() = 0;
    virtual void SetLeft(double v) = 0;
    virtual double Top() = 0;
    virtual void SetTop(double v) = 0;
    virtual double Width() = 0;
    virtual void SetWidth(double v) = 0;
    virtual double Height() = 0;
    virtual void SetHeight(double v) = 0;
    virtual double Rotation() = 0;
    virtual void SetRotation(double v) = 0;
    // msoTriState: -1 shown, 0 hidden (hidden shapes do not play in a show).
    virtual int Visible() = 0;
    virtual void SetVisible(int v) = 0;
    // What screen readers say for the shape, and its short title.
    virtual std::string AlternativeText() = 0;
    virtual void SetAlternativeText(const std::string& v) = 0;
    virtual std::string Title() = 0;
    virtual void SetTitle(const std::string& v) = 0;
    virtual int ZOrderPosition() = 0; // 1 = backmost
    virtual void ZOrder(int command) = 0;
    virtual void Select(bool replace = true) = 0;
    virtual void Copy() = 0;
    virtual void Delete() = 0;
    virtual void PickUp() = 0;
    virtual std::shared_ptr<ShapeRange> Ungroup() = 0;
    virtual std::shared_ptr<OLEFormat> GetOLEFormat() = 0;
    virtual std::shared_ptr<LinkFormat> GetLinkFormat() = 0;
    virtual std::shared_ptr<MediaFormat> GetMediaFormat() = 0;
    virtual std::shared_ptr<ActionSetting> ActionSettings(int index) = 0; // 1 click, 2 hover
    // Legacy animation settings (AdvanceMode, AdvanceTime, AfterEffect,
    // AnimateBackground, AnimateTextInReverse, TextLevelEffect,
    // TextUnitEffect, DimColor, EntryEffect, Animate, AnimationOrder).
    virtual std::shared_ptr<Dispatch> AnimationSettings() = 0;
    virtual bool Connector() = 0;
    virtual std::shared_ptr<ConnectorFormat> GetConnectorFormat() = 0;
};

// ---- timeline ------------------------------------------------------------

class AnimationPoints {
public:
    virtual ~AnimationPoints() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<Dispatch> Item(int index) = 0; // Formula, Time, Value
    virtual std::shared_ptr<Dispatch> Add() = 0;           // appends
    virtual bool Smooth() = 0;
    virtual void SetSmooth(bool v) = 0;
};

class PropertyEffect : public virtual Dispatch { // From, Property, To
public:
    virtual std::shared_ptr<AnimationPoints> Points() = 0;
};

class AnimationBehavior : public virtual Dispatch { // Accumulate, Additive, Type
public:
    virtual std::shared_ptr<Dispatch> ColorEffect() = 0;    // By, From, To
    virtual std::shared_ptr<Dispatch> CommandEffect() = 0;  // Command, Type
    virtual std::shared_ptr<Dispatch> MotionEffect() = 0;   // ByX ByY FromX FromY Path ToX ToY
    virtual std::shared_ptr<PropertyEffect> GetPropertyEffect() = 0;
    virtual std::shared_ptr<Dispatch> RotationEffect() = 0; // By, From, To
    virtual std::shared_ptr<Dispatch> ScaleEffect() = 0;    // ByX ByY FromX FromY ToX ToY
};

class AnimationBehaviors {
public:
    virtual ~AnimationBehaviors() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<AnimationBehavior> Item(int index) = 0;
};

// Accelerate, AutoReverse, Decelerate, Duration, RepeatCount,
// RepeatDuration, Restart, RewindAtEnd, SmoothEnd, SmoothStart, Speed,
// TriggerDelayTime, TriggerType by name; the shape whose click starts an
// interactive sequence as an object.
class EffectTiming : public virtual Dispatch {
public:
    // Fails for an effect that no shape's click starts.
    virtual std::shared_ptr<Shape> TriggerShape() = 0;
    virtual void SetTriggerShape(const std::shared_ptr<Shape>& shape) = 0;
};

// Amount, Direction, FontName, Relative, Size; Color2 is a colour format
// (RGB, SchemeColor, TintAndShade).
class EffectParameters : public virtual Dispatch {
public:
    virtual std::shared_ptr<Dispatch> Color2() = 0;
};

class Effect {
public:
    virtual ~Effect() = default;
    virtual std::shared_ptr<Shape> GetShape() = 0;
    virtual int EffectType() = 0; // msoAnimEffect
    virtual int Index() = 0;
    virtual std::shared_ptr<EffectParameters> GetEffectParameters() = 0;
    virtual std::shared_ptr<AnimationBehaviors> Behaviors() = 0;
    virtual std::shared_ptr<EffectTiming> Timing() = 0;
    virtual Value Exit() = 0;
    virtual void SetExit(const Value& v) = 0;
    virtual void Delete() = 0;
};

class Sequence {
public:
    virtual ~Sequence() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<Effect> Item(int index) = 0;
    virtual std::shared_ptr<Effect> AddEffect(const std::shared_ptr<Shape>& shape, int effectId,
                                              int index) = 0;
};

class Sequences {
public:
    virtual ~Sequences() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<Sequence> Item(int index) = 0;
};

class TimeLine {
public:
    virtual ~TimeLine() = default;
    virtual std::shared_ptr<Sequence> MainSequence() = 0;
    // The sequences started by clicking a shape.
    virtual std::shared_ptr<Sequences> InteractiveSequences() = 0;
};

} // namespace quillmax::office
