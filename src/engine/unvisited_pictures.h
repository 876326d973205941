// File: engine/unvisited_pictures.h
// With "all pictures" on, one more pass after the slides: the pictures no
// shape visit reaches (backgrounds, picture fills, layout and master
// pictures, SVG pictures' bitmaps), each re-rendered at the size the
// picture rules would give its largest use and kept under their size rule.
#pragma once

#include <string>

#include "engine/run_state.h"

namespace quillmax::engine {

// Each picture is step-contained: one that fails stays as it was.
void CompressUnvisitedPictures(RunState& s);

// The log line of a replaced picture of that kind (office::ppt::kImage...).
std::string UnvisitedPictureLogLine(int kind, double width, double height, double origBytes,
                                    double newBytes);

} // namespace quillmax::engine
