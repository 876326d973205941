// File: engine/reporting.cpp
// Byte counts as text, and the one way log lines reach txtLog.
#include "engine/reporting.h"

#include <clocale>
#include <cmath>

namespace quillmax::engine {
namespace {

// The user's decimal sign, as the C locale reports it.
std::string DecimalSign() {
    const std::lconv* lc = std::localeconv();
    if (lc && lc->decimal_point && *lc->decimal_point) return lc->decimal_point;
    return ".";
}

// Below one unit: one decimal, no trailing zero; from one unit on: a whole
// number. Both round halves to the even neighbour (the current rounding
// mode is round-to-nearest-even).
std::string FormatUnit(double bytes, double divisor, const char* unit) {
    double v = bytes / divisor;
    std::string sign = v < 0 ? "-" : "";
    double a = std::fabs(v);
    std::string text;
    if (a < 1.0) {
        long long tenths = static_cast<long long>(std::nearbyint(a * 10.0));
        long long whole = tenths / 10;
        long long frac = tenths % 10;
        text = std::to_string(whole);
        if (frac != 0) text += DecimalSign() + std::to_string(frac);
        if (tenths == 0) sign.clear();
    } else {
        text = std::to_string(static_cast<long long>(std::nearbyint(a)));
    }
    return sign + text + unit;
}

} // namespace

std::string FormatKB(double bytes) { return FormatUnit(bytes, 1024.0, "KB"); }

std::string FormatMB(double bytes) { return FormatUnit(bytes, 1048576.0, "MB"); }

void AppendLog(RunState& s, const std::string& text) {
    if (s.view) s.view->AppendLog(text);
}

} // namespace quillmax::engine
