// File: platform/pptx/office_renderer.h
// Metafiles (EMF, EMF+, WMF) drawn by LibreOffice's own metafile renderer:
// one headless office process per run, started on the first request and
// driven through a small UNO script (Debian's python3-uno) over a socket.
// Every wait is bounded; a helper that does not answer in time is killed
// with its process group (the one picture is refused) and started afresh
// for the next picture. Requests from several threads are served one at a
// time behind one lock (one office process draws one picture at a time).
#pragma once

#include <optional>
#include <string>

namespace quillmax::pptx::office_renderer {

// How long the helper may take to start, and to render one metafile.
struct Limits {
    int startSeconds = 120; // a first start on a busy machine has taken 50 s
    int renderSeconds = 30;
};

// True when the programs the helper needs are installed.
bool Available();

// The metafile's PNG at exactly widthPx x heightPx (its whole frame), or
// nullopt with `why` set: not installed, failed to start, refused the file,
// timed out. `ext` is "emf" or "wmf". What the metafile leaves undrawn is
// transparent.
std::optional<std::string> RenderPng(const std::string& bytes, const std::string& ext, int widthPx,
                                     int heightPx, std::string& why);

// The size LibreOffice gives the metafile, in pixels at 96 dpi (for WMF
// files that declare none in a header); false with `why` set on failure.
bool NaturalSize(const std::string& bytes, const std::string& ext, int& widthPx, int& heightPx, std::string& why);

// Starts the helper now without waiting for it, when it is installed and
// not running: a run that will meet metafiles overlaps the office's start
// (seconds) with other work, which from then on runs at a lower priority
// than the helper. The first request waits for it to be ready, within the
// same start limit.
void Prestart();

// Stops the helper (if running) and removes its files; the next request
// starts it again. Runs by itself at exit.
void Shutdown();

// For tests and benchmarks: the limits in force, the helper's pid (0 when
// none runs), and how long its last start took.
void SetLimits(const Limits& limits);
Limits CurrentLimits();
int HelperPid();
double LastStartSeconds();

// The largest picture the helper is asked to draw.
inline constexpr double kMaxPixels = 40e6;

} // namespace quillmax::pptx::office_renderer
