// File: platform/pptx/model.h
// The in-process object model over a package: application, presentations,
// slides, shapes and the clipboard they share. Internal to platform/pptx;
// the system only sees the office/ interfaces.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "office/automation.h"
#include "base/errors.h"
#include "platform/pptx/imaging.h"
#include "platform/pptx/package.h"
#include "platform/pptx/render_ahead.h"
#include "platform/pptx/slide_model.h"

namespace quillmax::pptx {

class PresentationImpl;
class SlideImpl;
class ShapeImpl;
class ClipboardImpl;

[[noreturn]] void Fail(const std::string& member, const std::string& message);

// What Copy leaves on the clipboard.
struct ClipRel {
    std::string type;
    std::string target; // external target, or the source part name
    bool external = false;
    std::string partKey; // key into ClipContent::parts for internal targets
};
struct ClipPart {
    std::string name; // part name in the source package
    std::string contentType;
    std::string bytes;
    std::map<std::string, ClipRel> rels;
};
struct ClipContent {
    std::string xml; // the shape element as it stood in the tree
    std::vector<std::pair<std::string, std::string>> ns; // xmlns declarations of its slide
    std::map<std::string, ClipRel> rels;
    std::map<std::string, ClipPart> parts;
    std::uint64_t packageId = 0; // where it was copied from
    bool hadVml = false;
    // The picture as shown, for PasteSpecial and the pixel check.
    std::optional<imaging::Rendering> rendering;
    std::optional<imaging::EncodedImage> picture; // the source image (or OLE preview)
    std::string lookXml; // a p:pic carrying spPr/style/blip children of the source
    double left = 0, top = 0, width = 0, height = 0;
};

class ClipboardImpl : public office::Clipboard {
public:
    void Clear() override { content_.reset(); }
    std::optional<office::Raster> MetafilePicture() override;
    bool PictureIsTransparent() override;
    bool SetJpegQuality(int quality) override;
    std::shared_ptr<ClipContent> content_;
    int jpegQuality_ = 0; // 0: imaging's own
};

// A rigid transform of a shape frame (EMU).
struct Frame {
    double x = 0, y = 0, cx = 0, cy = 0;
    double rot = 0; // degrees
    bool flipH = false, flipV = false;
};

class PresentationImpl : public office::Presentation, public std::enable_shared_from_this<PresentationImpl> {
public:
    PresentationImpl(std::unique_ptr<Package> pkg, std::string fullName, ClipboardImpl* clip, bool fromFile);

    std::shared_ptr<office::DocumentWindow> Windows(int index) override;
    std::shared_ptr<office::Slides> GetSlides() override;
    bool Saved() override;
    void SetSaved(bool saved) override;
    void SaveAs(const std::string& path) override;
    void Close() override;
    std::string FullName() override;
    std::vector<std::shared_ptr<office::PictureImage>> UnvisitedPictures() override;

    void Check(const char* member) const;
    void Bind(); // hands the slides their owner once shared
    Package& package() { return *pkg_; }
    Part& presPart() { return *presPart_; }
    std::uint64_t id() const { return id_; }
    ClipboardImpl* clipboard() { return clip_; }
    std::vector<std::shared_ptr<SlideImpl>>& slides() { return slides_; }
    int IndexOf(const SlideImpl* s) const;
    void Touch() { saved_ = false; }
    std::shared_ptr<SlideImpl> AddSlide(int index);
    void RemoveSlide(SlideImpl* s);
    std::vector<std::weak_ptr<ShapeImpl>> selection;
    // Pictures rendered ahead for Copy; null for presentations made here.
    RenderAhead* renderAhead() { return ahead_.get(); }
    bool closed = false;
    int viewType = 9;
    std::int64_t slideCx = 12192000, slideCy = 6858000;

private:
    std::unique_ptr<Package> pkg_;
    Part* presPart_ = nullptr;
    std::string fullName_;
    std::string sourcePath_;
    ClipboardImpl* clip_;
    bool saved_ = true;
    std::uint64_t id_;
    std::vector<std::shared_ptr<SlideImpl>> slides_;
    std::unique_ptr<RenderAhead> ahead_; // after pkg_: stops before the bytes it reads go
};

class SlideImpl : public office::Slide, public SlideModel {
public:
    SlideImpl(std::weak_ptr<PresentationImpl> pres, Part* part, std::uint32_t sldId);

    // office::Slide
    std::shared_ptr<office::Shapes> GetShapes() override;
    void Select() override;
    std::shared_ptr<office::TimeLine> GetTimeLine() override;
    void Delete() override;

    // SlideModel
    pugi::xml_document& Document() override;
    void MarkDirty() override;
    std::optional<std::uint32_t> ShapeId(const office::Shape& shape) override;
    std::shared_ptr<office::Shape> ShapeById(std::uint32_t id) override;
    std::int64_t SlideWidthEmu() override;
    std::int64_t SlideHeightEmu() override;
    int SlideIndex() override;

    std::shared_ptr<PresentationImpl> Pres(const char* member);
    void SetPres(std::weak_ptr<PresentationImpl> p) { pres_ = std::move(p); }
    Part& part() { return *part_; }
    std::uint32_t sldId() const { return sldId_; }
    pugi::xml_node Tree(); // p:cSld/p:spTree
    std::vector<pugi::xml_node> TopLevel();
    std::shared_ptr<ShapeImpl> Handle(pugi::xml_node treeChild);
    void Forget(pugi::xml_node treeChild);
    std::uint32_t NextId();
    // Inserts a new tree child (frontmost) and returns its handle.
    pugi::xml_node AppendToTree(pugi::xml_node fragmentRoot);
    // Clean-up when shapes with these ids leave the slide.
    void ReleaseReferences(const std::vector<std::uint32_t>& ids);
    // Removes relationships that the given ids named and nothing uses now.
    void DropUnusedRels(const std::vector<std::string>& relIds);
    bool deleted = false;

private:
    std::weak_ptr<PresentationImpl> pres_;
    Part* part_;
    std::uint32_t sldId_;
    std::map<pugi::xml_node_struct*, std::shared_ptr<ShapeImpl>> handles_;
};

class ShapeImpl : public office::Shape, public std::enable_shared_from_this<ShapeImpl> {
public:
    ShapeImpl(std::weak_ptr<SlideImpl> slide, pugi::xml_node node) : slide_(std::move(slide)), node_(node) {}

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
    std::shared_ptr<office::MediaFormat> GetMediaFormat() override; // media_format.cpp
    std::shared_ptr<office::ActionSetting> ActionSettings(int index) override;
    std::shared_ptr<office::Dispatch> AnimationSettings() override;
    bool Connector() override;
    std::shared_ptr<office::ConnectorFormat> GetConnectorFormat() override;

    // The live node (tree child) or a failure naming the member.
    pugi::xml_node Node(const char* member);
    pugi::xml_node Primary(const char* member); // the shape element inside wrappers
    std::shared_ptr<SlideImpl> Slide(const char* member);
    std::uint32_t Id(const char* member);
    void Invalidate() { node_ = pugi::xml_node(); }
    bool alive() const { return static_cast<bool>(node_); }
    pugi::xml_node raw() const { return node_; }

private:
    double Geometry(int which, const char* member);
    // Sets (or, for the empty text, removes) a cNvPr attribute on every variant.
    void SetCNvPrAttr(const char* attr, const std::string& value, const char* member);
    void SetGeometry(int which, double v, const char* member);
    std::weak_ptr<SlideImpl> slide_;
    pugi::xml_node node_;
};

class ShapeRangeImpl : public office::ShapeRange {
public:
    explicit ShapeRangeImpl(std::vector<std::shared_ptr<ShapeImpl>> shapes) : shapes_(std::move(shapes)) {}
    int Count() override { return static_cast<int>(shapes_.size()); }
    std::shared_ptr<office::Shape> Item(int index) override;
    std::shared_ptr<office::Shape> Group() override;

private:
    std::vector<std::shared_ptr<ShapeImpl>> shapes_;
};

// Shape-element helpers shared by the shape code, clipboard and checks.
pugi::xml_node PrimaryOf(pugi::xml_node treeChild); // unwraps mc:AlternateContent
std::vector<pugi::xml_node> VariantsOf(pugi::xml_node treeChild); // every alternative
pugi::xml_node CNvPrOf(pugi::xml_node shapeElement);
pugi::xml_node XfrmOf(pugi::xml_node shapeElement, bool create);
int ShapeTypeOf(pugi::xml_node shapeElement, bool placeholderAsContent = false);
// Every relationship id (r:* attribute value) used below node.
std::vector<std::string> RelIdsIn(pugi::xml_node node);
Frame ReadFrame(pugi::xml_node xfrm);
// The layout's, then the master's shape that a slide placeholder (its p:ph)
// inherits from; those found, nearest first.
std::vector<pugi::xml_node> PlaceholderChain(Part& slidePart, pugi::xml_node ph);

// Built-in blank presentation, and the part names it uses.
std::unique_ptr<Package> BuildBlankPackage();
// The XML of a new empty slide.
std::string BlankSlideXml();

// ActionSettings(1|2) of a shape.
std::shared_ptr<office::ActionSetting> MakeActionSetting(std::shared_ptr<ShapeImpl> shape, int index);
// Clipboard work.
void CopyShape(ShapeImpl& shape);
std::shared_ptr<office::ShapeRange> PasteInto(SlideImpl& slide);
std::shared_ptr<office::ShapeRange> PasteSpecialInto(SlideImpl& slide, int dataType);

} // namespace quillmax::pptx
