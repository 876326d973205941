// File: platform/pptx/similarity.h
// How alike two renderings look: the structural similarity (SSIM) of their
// luma, composited once on white and once on black so that a change of
// transparency counts as much as a change of colour.
#pragma once

#include "platform/pptx/imaging.h"

namespace quillmax::pptx::imaging {

// Mean SSIM over 8 x 8 windows (stride 4), the lower of the two
// backgrounds; 1 means identical. Renderings of different sizes give 0.
double Ssim(const Rendering& a, const Rendering& b);

// What a lossy encoding must keep to count as visually identical.
inline constexpr double kSameLookSsim = 0.99;

} // namespace quillmax::pptx::imaging
