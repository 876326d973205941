// File: platform/pptx/similarity.cpp
#include "platform/pptx/similarity.h"

#include <algorithm>
#include <vector>

namespace quillmax::pptx::imaging {
namespace {

// Luma of every pixel over a solid background (0 or 255).
std::vector<double> Luma(const Rendering& r, double background) {
    std::vector<double> out(static_cast<size_t>(r.width) * r.height);
    for (size_t i = 0; i < out.size(); ++i) {
        const std::uint8_t* p = &r.rgba[i * 4];
        const double a = p[3] / 255.0;
        auto over = [&](double c) { return c * a + background * (1 - a); };
        out[i] = 0.299 * over(p[0]) + 0.587 * over(p[1]) + 0.114 * over(p[2]);
    }
    return out;
}

double PlaneSsim(const std::vector<double>& x, const std::vector<double>& y, int w, int h) {
    constexpr double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    const int win = std::min({8, w, h}), stride = std::max(1, win / 2);
    double sum = 0;
    long long n = 0;
    for (int y0 = 0; y0 + win <= h; y0 += stride)
        for (int x0 = 0; x0 + win <= w; x0 += stride) {
            double mx = 0, my = 0;
            for (int j = 0; j < win; ++j)
                for (int i = 0; i < win; ++i) {
                    const size_t k = static_cast<size_t>(y0 + j) * w + x0 + i;
                    mx += x[k], my += y[k];
                }
            const double m = win * win;
            mx /= m, my /= m;
            double vx = 0, vy = 0, cov = 0;
            for (int j = 0; j < win; ++j)
                for (int i = 0; i < win; ++i) {
                    const size_t k = static_cast<size_t>(y0 + j) * w + x0 + i;
                    vx += (x[k] - mx) * (x[k] - mx), vy += (y[k] - my) * (y[k] - my);
                    cov += (x[k] - mx) * (y[k] - my);
                }
            vx /= m - 1 > 0 ? m - 1 : 1, vy /= m - 1 > 0 ? m - 1 : 1, cov /= m - 1 > 0 ? m - 1 : 1;
            sum += ((2 * mx * my + c1) * (2 * cov + c2)) / ((mx * mx + my * my + c1) * (vx + vy + c2));
            ++n;
        }
    return n ? sum / n : 1.0;
}

} // namespace

double Ssim(const Rendering& a, const Rendering& b) {
    if (a.width != b.width || a.height != b.height || a.width <= 0 || a.height <= 0 ||
        a.rgba.size() != static_cast<size_t>(a.width) * a.height * 4 || a.rgba.size() != b.rgba.size())
        return 0;
    double worst = 1;
    for (double bg : {255.0, 0.0})
        worst = std::min(worst, PlaneSsim(Luma(a, bg), Luma(b, bg), a.width, a.height));
    return worst;
}

} // namespace quillmax::pptx::imaging
