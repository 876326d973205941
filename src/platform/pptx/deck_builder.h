// File: platform/pptx/deck_builder.h
// Writes small, valid .pptx packages from a C++ description: the fixtures
// of the tests, the benchmarks and the bundled sample deck. Also makes
// deterministic photo-like and line-art pictures to put in them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/pptx/imaging.h"

namespace quillmax::pptx::deck {

// Position and size in points (12700 EMU each), rotation in degrees.
struct Geometry {
    double left = 0, top = 0, width = 100, height = 100;
    double rotation = 0;
    bool flipH = false, flipV = false;
};

// a:hlinkClick / a:hlinkHover of a shape.
struct Action {
    std::string url;        // external address, empty for none
    std::string action;     // @action, e.g. "ppaction://hlinkshowjump?jump=nextslide"
    std::string tooltip;
    std::string soundName;  // a:snd@name; with soundBytes an embedded sound
    std::string soundBytes; // a .wav file
};

enum class Kind { Picture, Rectangle, Oval, TextBox, Group, Connector, OleObject, Video };

struct Shape {
    Kind kind = Kind::Rectangle;
    int id = 0;             // 0: the next free id in document order
    std::string name;       // empty: "<Kind> <id>" as the presentation program names them
    Geometry geometry;
    std::string descr;      // alternative text
    std::string title;
    bool hidden = false;
    std::optional<Action> click, hover;

    // Picture, OLE preview, video poster frame.
    imaging::EncodedImage image;
    imaging::Crop crop;

    // Rectangle, oval, text box.
    std::string text;
    std::string fill;       // "RRGGBB"; empty: none for text boxes, theme accent otherwise

    // Group: members in child coordinates (points); a zero child extent
    // means the group's own size (no scaling).
    std::vector<Shape> children;
    double childLeft = 0, childTop = 0, childWidth = 0, childHeight = 0;

    // Connector: glued ends (0 = free); sites are 0-based as in the file.
    int startId = 0, startSite = 0, endId = 0, endSite = 0;

    // OLE object: embedded bytes (or a linked path), ProgID; image = preview.
    std::string progId;
    std::string oleBytes;
    std::string linkPath;   // non-empty: a linked object, no embedding

    // Video: the movie's bytes and extension; image = poster frame.
    std::string videoBytes;
    std::string videoExt = "mp4";
};

// A main-sequence entrance effect.
enum class Trigger { OnClick, WithPrevious, AfterPrevious };
struct Effect {
    int shapeId = 0;
    int presetId = 10;      // 10 Fade, 1 Appear
    Trigger trigger = Trigger::OnClick;
    int durationMs = 500;
    int delayMs = 0;
    bool buildEntry = true; // p:bldP for the shape
};

struct Slide {
    std::vector<Shape> shapes;
    std::vector<Effect> effects;
};

struct Deck {
    double widthPt = 720, heightPt = 540; // 10 x 7.5 inches
    std::vector<Slide> slides;
    bool shareMedia = true; // identical image bytes share one media part
};

// The package's bytes. Throws office::AutomationError on a description
// that cannot be written (e.g. an empty image on a picture).
std::string Build(const Deck& deck);
// Build, then write atomically (temporary file in the folder, rename).
void Write(const Deck& deck, const std::string& path);

// Convenience constructors.
Shape Picture(imaging::EncodedImage image, Geometry g, std::string name = {});
Shape Rectangle(Geometry g, std::string fill = {}, std::string text = {});
Shape Oval(Geometry g, std::string fill = {});
Shape TextBox(Geometry g, std::string text);
Shape Group(Geometry g, std::vector<Shape> children, std::string name = {});

// Deterministic pictures (same seed, same bytes).
// A natural-looking picture (sky, terrain, texture) as a JPEG.
std::string MakePhotoJpeg(int width, int height, unsigned seed, int quality = 95);
// Thin dark lines and flat colours on white, as a PNG.
std::string MakeLineArtPng(int width, int height, unsigned seed);
// A PNG with transparency: partial (soft edge) or only fully clear pixels.
std::string MakeTransparentPng(int width, int height, bool partialAlpha);

} // namespace quillmax::pptx::deck
