// File: engine/picture.h
// Pictures (and OLE objects) pasted back in a lighter format.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "office/automation.h"

namespace quillmax::engine {

struct Geometry {
    double left = 0, top = 0, width = 0, height = 0;
};

void ConvertToPicture(RunState& s, const std::shared_ptr<office::Slide>& slide,
                      const std::shared_ptr<office::Shape>& oldShape, const Geometry& savedGeometry,
                      bool isTopLevel, const std::string& kindLabel, bool treatAsPicture,
                      std::vector<std::string>& levelNames);

// The two renderings the pixel check compares (the window's picCompare and
// picCheck boxes of the original design).
struct CompareRasters {
    std::optional<office::Raster> referenceRaster;
};

// The clipboard's metafile rendering becomes the reference; without one the
// reference is cleared (never left over from an earlier shape).
void CaptureReference(RunState& s, CompareRasters& rasters);
// True when the clipboard's picture turned more than `threshold` of the
// reference's pixels pure black or pure white.
bool PixelCheck(RunState& s, const CompareRasters& rasters, double threshold);

// combRatio's rendering size factor by list index.
double ScaleFactorFor(int ratioIndex);
// The factor pictures are rendered at in this pass: a fit's level, else
// combRatio's.
double RenderFactor(const RunState& s);
// Notes a converted picture's two sizes for a fit (nothing outside one).
void RecordSample(RunState& s, double origBytes, double newBytes, bool jpeg);

} // namespace quillmax::engine
