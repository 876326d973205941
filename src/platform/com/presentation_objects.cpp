// File: platform/com/presentation_objects.cpp
// The presentation program's application, presentation, window, slide and
// shape objects over IDispatch. Collections are read as Item(i) and Count;
// `X(i)` of the object model is X.Item(i).
#include "platform/com/objects.h"

#include "base/errors.h"

namespace quillmax::com {
namespace {

using namespace office;

class ComCommandBarControl : public CommandBarControl, public Wrapper {
public:
    using Wrapper::Wrapper;
    void Execute() override { o_.Call("Execute"); }
    void Delete() override { o_.Call("Delete"); }
};

class ComCommandBar : public CommandBar, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::shared_ptr<CommandBarControl> AddControl(int id) override {
        return Make<ComCommandBarControl>(o_.GetObj("Controls", "CommandBarControls")
                                              .CallObj("Add", "CommandBarControl", {}, {{"Id", id}}));
    }
};

class ComShapeRange;

class ComShapeRange : public ShapeRange, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<Shape> Item(int index) override {
        return WrapShape(o_.CallObj("Item", "Shape", {index}));
    }
    std::shared_ptr<Shape> Group() override { return WrapShape(o_.CallObj("Group", "Shape")); }
};

class ComOLEFormat : public OLEFormat, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::string ProgID() override { return o_.Get("ProgID").as_string(); }
};

class ComLinkFormat : public LinkFormat, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::string SourceFullName() override { return o_.Get("SourceFullName").as_string(); }
};

class ComHyperlink : public Hyperlink, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::string Address() override { return o_.Get("Address").as_string(); }
    void SetAddress(const std::string& v) override { o_.Put("Address", v); }
    std::string SubAddress() override { return o_.Get("SubAddress").as_string(); }
    void SetSubAddress(const std::string& v) override { o_.Put("SubAddress", v); }
    std::string ScreenTip() override { return o_.Get("ScreenTip").as_string(); }
    void SetScreenTip(const std::string& v) override { o_.Put("ScreenTip", v); }
    std::string TextToDisplay() override { return o_.Get("TextToDisplay").as_string(); }
    void SetTextToDisplay(const std::string& v) override { o_.Put("TextToDisplay", v); }
    std::string EmailSubject() override { return o_.Get("EmailSubject").as_string(); }
    void SetEmailSubject(const std::string& v) override { o_.Put("EmailSubject", v); }
    bool ShowAndReturn() override { return o_.Get("ShowAndReturn").as_bool(); }
    void SetShowAndReturn(bool v) override { o_.Put("ShowAndReturn", v); }
};

class ComSoundEffect : public SoundEffect, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::string Name() override { return o_.Get("Name").as_string(); }
    void SetName(const std::string& v) override { o_.Put("Name", v); }
    int Type() override { return Int(o_.Get("Type")); }
    void SetType(int v) override { o_.Put("Type", v); }
};

class ComActionSetting : public ActionSetting, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Action() override { return Int(o_.Get("Action")); }
    void SetAction(int v) override { o_.Put("Action", v); }
    int AnimateAction() override { return Int(o_.Get("AnimateAction")); }
    void SetAnimateAction(int v) override { o_.Put("AnimateAction", v); }
    std::string Run() override { return o_.Get("Run").as_string(); }
    void SetRun(const std::string& v) override { o_.Put("Run", v); }
    std::string SlideShowName() override { return o_.Get("SlideShowName").as_string(); }
    void SetSlideShowName(const std::string& v) override { o_.Put("SlideShowName", v); }
    std::shared_ptr<Hyperlink> GetHyperlink() override {
        return Make<ComHyperlink>(o_.GetObj("Hyperlink", "Hyperlink"));
    }
    std::shared_ptr<SoundEffect> GetSoundEffect() override {
        return Make<ComSoundEffect>(o_.GetObj("SoundEffect", "SoundEffect"));
    }
};

class ComConnectorFormat : public ConnectorFormat, public Wrapper {
public:
    using Wrapper::Wrapper;
    bool BeginConnected() override { return o_.Get("BeginConnected").as_bool(); }
    std::shared_ptr<Shape> BeginConnectedShape() override {
        return WrapShape(o_.GetObj("BeginConnectedShape", "Shape"));
    }
    int BeginConnectionSite() override { return Int(o_.Get("BeginConnectionSite")); }
    void BeginDisconnect() override { o_.Call("BeginDisconnect"); }
    void BeginConnect(const std::shared_ptr<Shape>& shape, int site) override {
        o_.Call("BeginConnect", {ShapeObject(shape).AsValue(), site});
    }
    bool EndConnected() override { return o_.Get("EndConnected").as_bool(); }
    std::shared_ptr<Shape> EndConnectedShape() override {
        return WrapShape(o_.GetObj("EndConnectedShape", "Shape"));
    }
    int EndConnectionSite() override { return Int(o_.Get("EndConnectionSite")); }
    void EndDisconnect() override { o_.Call("EndDisconnect"); }
    void EndConnect(const std::shared_ptr<Shape>& shape, int site) override {
        o_.Call("EndConnect", {ShapeObject(shape).AsValue(), site});
    }
};

class ComShape : public Shape, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::string Name() override { return o_.Get("Name").as_string(); }
    void SetName(const std::string& name) override { o_.Put("Name", name); }
    int Type() override { return Int(o_.Get("Type")); }
    int PlaceholderContainedType() override {
        return Int(o_.GetObj("PlaceholderFormat", "PlaceholderFormat").Get("ContainedType"));
    }
    double Left() override { return o_.Get("Left").as_double(); }
    void SetLeft(double v) override { o_.Put("Left", v); }
    double Top() override { return o_.Get("Top").as_double(); }
    void SetTop(double v) override { o_.Put("Top", v); }
    double Width() override { return o_.Get("Width").as_double(); }
    void SetWidth(double v) override { o_.Put("Width", v); }
    double Height() override { return o_.Get("Height").as_double(); }
    void SetHeight(double v) override { o_.Put("Height", v); }
    double Rotation() override { return o_.Get("Rotation").as_double(); }
    void SetRotation(double v) override { o_.Put("Rotation", v); }
    int Visible() override { return Int(o_.Get("Visible")); }
    void SetVisible(int v) override { o_.Put("Visible", v); }
    std::string AlternativeText() override { return o_.Get("AlternativeText").as_string(); }
    void SetAlternativeText(const std::string& v) override { o_.Put("AlternativeText", v); }
    std::string Title() override { return o_.Get("Title").as_string(); }
    void SetTitle(const std::string& v) override { o_.Put("Title", v); }
    int ZOrderPosition() override { return Int(o_.Get("ZOrderPosition")); }
    void ZOrder(int command) override { o_.Call("ZOrder", {command}); }
    void Select(bool replace) override { o_.Call("Select", {replace}); }
    void Copy() override { o_.Call("Copy"); }
    void Delete() override { o_.Call("Delete"); }
    void PickUp() override { o_.Call("PickUp"); }
    std::shared_ptr<ShapeRange> Ungroup() override {
        return Make<ComShapeRange>(o_.CallObj("Ungroup", "ShapeRange"));
    }
    std::shared_ptr<OLEFormat> GetOLEFormat() override {
        return Make<ComOLEFormat>(o_.GetObj("OLEFormat", "OLEFormat"));
    }
    std::shared_ptr<LinkFormat> GetLinkFormat() override {
        return Make<ComLinkFormat>(o_.GetObj("LinkFormat", "LinkFormat"));
    }
    // The program offers no export of a movie's bytes: embedded movies are
    // looked for as files here.
    std::shared_ptr<MediaFormat> GetMediaFormat() override {
        throw AutomationError("Shape.MediaFormat", "not offered through COM");
    }
    std::shared_ptr<ActionSetting> ActionSettings(int index) override {
        return Make<ComActionSetting>(
            o_.GetObj("ActionSettings", "ActionSettings").CallObj("Item", "ActionSetting", {index}));
    }
    std::shared_ptr<Dispatch> AnimationSettings() override {
        return Make<PropertyBag>(o_.GetObj("AnimationSettings", "AnimationSettings"));
    }
    bool Connector() override { return o_.Get("Connector").as_bool(); }
    std::shared_ptr<ConnectorFormat> GetConnectorFormat() override {
        return Make<ComConnectorFormat>(o_.GetObj("ConnectorFormat", "ConnectorFormat"));
    }
};

class ComShapes : public Shapes, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<Shape> Item(int index) override {
        return WrapShape(o_.CallObj("Item", "Shape", {index}));
    }
    std::shared_ptr<ShapeRange> Range() override {
        return Make<ComShapeRange>(o_.CallObj("Range", "ShapeRange"));
    }
    std::shared_ptr<Shape> AddShape(int type, double left, double top, double width,
                                    double height) override {
        return WrapShape(o_.CallObj("AddShape", "Shape", {type, left, top, width, height}));
    }
    std::shared_ptr<Shape> AddMediaObject(const std::string& path, double left, double top,
                                          double width, double height) override {
        return WrapShape(o_.CallObj("AddMediaObject", "Shape", {path, left, top, width, height}));
    }
    std::shared_ptr<ShapeRange> Paste() override {
        return Make<ComShapeRange>(o_.CallObj("Paste", "ShapeRange"));
    }
    std::shared_ptr<ShapeRange> PasteSpecial(int dataType) override {
        return Make<ComShapeRange>(o_.CallObj("PasteSpecial", "ShapeRange", {dataType}));
    }
};

class ComSlide : public Slide, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::shared_ptr<Shapes> GetShapes() override { return Make<ComShapes>(o_.GetObj("Shapes", "Shapes")); }
    void Select() override { o_.Call("Select"); }
    std::shared_ptr<TimeLine> GetTimeLine() override { return WrapTimeLine(o_.GetObj("TimeLine", "TimeLine")); }
    void Delete() override { o_.Call("Delete"); }
};

class ComSlides : public Slides, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<Slide> Item(int index) override {
        return Make<ComSlide>(o_.CallObj("Item", "Slide", {index}));
    }
    std::shared_ptr<Slide> Add(int index, int layout) override {
        return Make<ComSlide>(o_.CallObj("Add", "Slide", {index, layout}));
    }
};

class ComPane : public Pane, public Wrapper {
public:
    using Wrapper::Wrapper;
    int ViewType() override { return Int(o_.Get("ViewType")); }
};

class ComSelection : public Selection, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::shared_ptr<ShapeRange> GetShapeRange() override {
        return Make<ComShapeRange>(o_.GetObj("ShapeRange", "ShapeRange"));
    }
    void Unselect() override { o_.Call("Unselect"); }
};

class ComDocumentWindow : public DocumentWindow, public Wrapper {
public:
    using Wrapper::Wrapper;
    int ViewType() override { return Int(o_.Get("ViewType")); }
    void SetViewType(int viewType) override { o_.Put("ViewType", viewType); }
    std::shared_ptr<Pane> Panes(int index) override {
        return Make<ComPane>(o_.GetObj("Panes", "Panes").CallObj("Item", "Pane", {index}));
    }
    void Activate() override { o_.Call("Activate"); }
    std::shared_ptr<Selection> GetSelection() override {
        return Make<ComSelection>(o_.GetObj("Selection", "Selection"));
    }
};

class ComPresentation : public Presentation, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::shared_ptr<DocumentWindow> Windows(int index) override {
        return Make<ComDocumentWindow>(
            o_.GetObj("Windows", "DocumentWindows").CallObj("Item", "DocumentWindow", {index}));
    }
    std::shared_ptr<Slides> GetSlides() override { return Make<ComSlides>(o_.GetObj("Slides", "Slides")); }
    bool Saved() override { return o_.Get("Saved").as_bool(); }
    void SetSaved(bool saved) override { o_.Put("Saved", saved); }
    void SaveAs(const std::string& path) override { o_.Call("SaveAs", {path}); }
    void Close() override { o_.Call("Close"); }
    std::string FullName() override { return o_.Get("FullName").as_string(); }
};

class ComPresentations : public Presentations, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<Presentation> Add(bool withWindow) override {
        return Make<ComPresentation>(o_.CallObj("Add", "Presentation", {withWindow}));
    }
    std::shared_ptr<Presentation> Open(const std::string& path, bool readOnly) override {
        return Make<ComPresentation>(o_.CallObj("Open", "Presentation", {path, readOnly}));
    }
};

class ComApplication : public Application, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::string Version() override { return o_.Get("Version").as_string(); }
    std::string Name() override { return o_.Get("Name").as_string(); }
    void Quit() override { o_.Call("Quit"); }
    bool Visible() override { return o_.Get("Visible").as_bool(); }
    void SetVisible(bool visible) override { o_.Put("Visible", visible); }
    int WindowState() override { return Int(o_.Get("WindowState")); }
    void SetWindowState(int state) override { o_.Put("WindowState", state); }
    std::shared_ptr<Presentations> GetPresentations() override {
        return Make<ComPresentations>(o_.GetObj("Presentations", "Presentations"));
    }
    std::shared_ptr<CommandBar> CommandBars(const std::string& name) override {
        return Make<ComCommandBar>(
            o_.GetObj("CommandBars", "CommandBars").CallObj("Item", "CommandBar", {name}));
    }
};

} // namespace

std::shared_ptr<Application> WrapApplication(Object o) { return Make<ComApplication>(std::move(o)); }
std::shared_ptr<Shape> WrapShape(Object o) { return Make<ComShape>(std::move(o)); }

Object ShapeObject(const std::shared_ptr<Shape>& shape) {
    auto* wrapped = dynamic_cast<const Wrapper*>(shape.get());
    if (!wrapped) throw AutomationError("Shape", "type mismatch: not a shape of this program");
    return wrapped->object();
}

} // namespace quillmax::com
