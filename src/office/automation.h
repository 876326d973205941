// File: office/automation.h
// The automation runtime: how the system gets hold of the presentation and
// spreadsheet programs (attach to a running one, or create one), and the
// clipboard that carries every conversion. A backend supplies one
// Automation; the front end's main chooses it (the package-backed one by
// default).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "office/excel.h"
#include "office/powerpoint.h"

namespace quillmax::office {

// A picture as pixels: 24-bit RGB, 0xRRGGBB per pixel, row-major,
// transparent areas composited on white.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void Clear() = 0;
    // The clipboard's picture in the metafile format, rendered to pixels
    // at the clipboard's own resolution; empty when it holds no picture.
    virtual std::optional<Raster> MetafilePicture() = 0;
    // True when the clipboard's picture has pixels that are not fully
    // opaque, which JPEG would flatten onto white.
    virtual bool PictureIsTransparent() { return false; }
    // The quality (1-100) of the JPEG pictures pasted or rendered from now
    // on; 0 gives back the program's own. False when the program has no
    // such setting (the real one has none).
    virtual bool SetJpegQuality(int quality) { return quality == 0; }
};

class Automation {
public:
    virtual ~Automation() = default;
    // GetObject(, "PowerPoint.Application"): fails when none is running.
    virtual std::shared_ptr<Application> AttachPowerPoint() = 0;
    // CreateObject("PowerPoint.Application").
    virtual std::shared_ptr<Application> CreatePowerPoint() = 0;
    // CreateObject("EXCEL.Application").
    virtual std::shared_ptr<ExcelApplication> CreateExcel() = 0;
    virtual Clipboard& SystemClipboard() = 0;
    // The engine's pauses around pastes and deletions: a backend that
    // drives a separate program sleeps `ms`; one whose calls complete
    // before they return need not wait.
    virtual void Settle(int ms) = 0;
    // The files a batch is about to open, in order: a backend may get ready
    // for what they hold (start a helper program in the background). A
    // hint; nothing depends on it.
    virtual void Prepare(const std::vector<std::string>& files) { (void)files; }
};

} // namespace quillmax::office
