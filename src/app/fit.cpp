// File: app/fit.cpp
#include "app/fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/reporting.h"

namespace quillmax::app {
namespace {

constexpr double kKB = 1024.0;
constexpr double kMB = 1024.0 * 1024.0;

// Full-width forms (U+FF01-FF5E) and the ideographic space as ASCII, so a
// size typed with a Japanese input method reads like one typed without.
std::string Narrow(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
        if (i + 2 < text.size() && b(i) == 0xEF && (b(i + 1) == 0xBC || b(i + 1) == 0xBD)) {
            const unsigned code = 0xFF00u + ((b(i + 1) & 0x03u) << 6) + (b(i + 2) & 0x3Fu);
            if (code >= 0xFF01 && code <= 0xFF5E) {
                out += static_cast<char>(code - 0xFF01 + 0x21);
                i += 2;
                continue;
            }
        }
        if (i + 2 < text.size() && b(i) == 0xE3 && b(i + 1) == 0x80 && b(i + 2) == 0x80) {
            out += ' ';
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

// Relative size of a JPEG at a quality against the program's own (85),
// measured on photos with libvips.
double JpegShare(int quality) {
    switch (quality) {
    case 60: return 0.62;
    case 40: return 0.47;
    default: return 1.0;
    }
}

// Picture bytes against the rendering factor: JPEG sizes grow about with
// the factor to this power (less where a copy is larger than its source).
constexpr double kDefaultExponent = 1.7;
constexpr double kLowestExponent = 0.8, kHighestExponent = 2.6;
constexpr double kLearntSpread = 0.3;

} // namespace

std::optional<double> ParseFitSize(std::string_view raw) {
    const std::string text = Narrow(raw);
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    skipBlanks();
    std::string number;
    bool point = false;
    while (i < text.size()) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            number += c;
        } else if ((c == '.' || c == ',') && !point) {
            number += '.';
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (number.empty() || number == ".") return std::nullopt;
    skipBlanks();
    std::string unit;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t')
        unit += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i++])));
    skipBlanks();
    if (i != text.size()) return std::nullopt;

    double multiplier = 0;
    if (unit.empty() || unit == "M" || unit == "MB") multiplier = kMB;
    else if (unit == "K" || unit == "KB") multiplier = kKB;
    else if (unit == "G" || unit == "GB") multiplier = kMB * 1024.0;
    else if (unit == "B") multiplier = 1;
    else return std::nullopt;

    const double bytes = std::strtod(number.c_str(), nullptr) * multiplier;
    if (!(bytes >= 1) || !std::isfinite(bytes) || bytes > 1e15) return std::nullopt;
    return bytes;
}

std::string FitSizeError(const std::string& text) {
    return "目標ｻｲｽﾞの指定が正しくありません：" + text + "（例：10MB、9.5M、800KB）";
}

std::string FormatFitSize(double bytes) {
    if (std::fabs(bytes) < kMB) return engine::FormatKB(bytes);
    const double mb = bytes / kMB;
    if (std::fabs(mb) >= 100) return engine::FormatMB(bytes);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", mb); // the user's decimal sign
    std::string s = text;
    if (s.size() > 2 && s[s.size() - 1] == '0' && (s[s.size() - 2] == '.' || s[s.size() - 2] == ','))
        s.resize(s.size() - 2);
    return s + "MB";
}

const std::vector<FitLevel>& FitLevels() {
    static const std::vector<FitLevel> levels{
        {2.0, 0, "画質最優先"},
        {1.4, 0, "画質優先"},
        {1.0, 0, "ｻｲｽﾞ優先"},
        {0.75, 0, "ｻｲｽﾞ最優先"},
        {0.5, 0, "表示ｻｲｽﾞの0.5倍"},
        {0.35, 0, "表示ｻｲｽﾞの0.35倍"},
        {0.25, 0, "表示ｻｲｽﾞの0.25倍"},
        {0.25, 60, "表示ｻｲｽﾞの0.25倍・JPEG画質60"},
        {0.25, 40, "表示ｻｲｽﾞの0.25倍・JPEG画質40"},
    };
    return levels;
}

FitSearch::FitSearch(double target, double inputSize, int levelCount, std::optional<double> expectRate)
    : target_(target), inputSize_(inputSize),
      levelCount_(std::clamp(levelCount, 1, static_cast<int>(FitLevels().size()))),
      expectRate_(expectRate) {}

const FitAttempt* FitSearch::Run(int level) const {
    for (const FitAttempt& a : attempts_)
        if (a.level == level) return &a;
    return nullptr;
}

void FitSearch::Record(FitAttempt attempt) {
    if (Run(attempt.level)) return;
    attempts_.push_back(std::move(attempt));
}

double FitSearch::EstimateFrom(const FitAttempt& from, int level, double exponent) const {
    const FitLevel& a = FitLevels()[static_cast<size_t>(from.level)];
    const FitLevel& b = FitLevels()[static_cast<size_t>(level)];
    const double scale = std::pow(b.factor / a.factor, exponent);
    const double jpegScale = JpegShare(b.jpegQuality) / JpegShare(a.jpegQuality);
    // The engine's rule: a copy is kept when the rate is below combExpectRate.
    auto kept = [&](double orig, double neu) {
        return (orig > 0 && expectRate_ && *expectRate_ > neu / orig * 100.0) ? neu : orig;
    };
    double size = from.size;
    for (const engine::PictureSample& p : from.samples) {
        const double there = p.newBytes * scale * (p.jpeg ? jpegScale : 1.0);
        size += kept(p.origBytes, there) - kept(p.origBytes, p.newBytes);
    }
    return std::min(size, inputSize_); // never larger: what does not shrink is not written
}

const FitAttempt* FitSearch::Nearest(int level) const {
    const FitAttempt* near = nullptr;
    for (const FitAttempt& a : attempts_)
        if (!near || std::abs(a.level - level) < std::abs(near->level - level)) near = &a;
    return near;
}

// Learnt from the nearest run and the nearest other run at another factor:
// the exponent that makes one predict the other.
std::optional<double> FitSearch::LearntExponent(int level) const {
    auto distance = [&](const FitAttempt& a) { return std::abs(a.level - level); };
    const FitAttempt* near = Nearest(level);
    if (!near) return std::nullopt;
    const double nearFactor = FitLevels()[static_cast<size_t>(near->level)].factor;
    const FitAttempt* other = nullptr;
    for (const FitAttempt& a : attempts_)
        if (FitLevels()[static_cast<size_t>(a.level)].factor != nearFactor && (!other || distance(a) < distance(*other)))
            other = &a;
    if (!other || near->samples.empty()) return std::nullopt;

    auto miss = [&](double e) { return EstimateFrom(*near, other->level, e) - other->size; };
    double lo = kLowestExponent, hi = kHighestExponent;
    double missLo = miss(lo), missHi = miss(hi);
    if ((missLo > 0) == (missHi > 0)) return std::fabs(missLo) < std::fabs(missHi) ? lo : hi;
    for (int i = 0; i < 40; ++i) {
        const double mid = (lo + hi) / 2;
        const double m = miss(mid);
        if ((m > 0) == (missLo > 0)) lo = mid, missLo = m;
        else hi = mid;
    }
    return (lo + hi) / 2;
}

double FitSearch::Estimate(int level) const {
    if (const FitAttempt* a = Run(level)) return a->size;
    const FitAttempt* near = Nearest(level);
    if (!near) return inputSize_;
    return EstimateFrom(*near, level, LearntExponent(level).value_or(kDefaultExponent));
}

double FitSearch::LowEstimate(int level) const {
    if (const FitAttempt* a = Run(level)) return a->size;
    const FitAttempt* near = Nearest(level);
    if (!near) return inputSize_;
    const std::optional<double> learnt = LearntExponent(level);
    const double lo = learnt ? *learnt - kLearntSpread : kLowestExponent;
    const double hi = learnt ? *learnt + kLearntSpread : kHighestExponent;
    return std::min(EstimateFrom(*near, level, lo), EstimateFrom(*near, level, hi));
}

std::optional<int> FitSearch::Next() const {
    if (attempts_.empty()) return inputSize_ <= target_ ? 0 : std::min(kProbe, levelCount_ - 1);

    // The answer lies in (lo, hi]: hi fits, lo does not.
    int hi = levelCount_;
    for (const FitAttempt& a : attempts_)
        if (a.size <= target_) hi = std::min(hi, a.level);
    int lo = -1;
    for (const FitAttempt& a : attempts_)
        if (a.size > target_ && a.level < hi) lo = std::max(lo, a.level);

    for (int k = lo + 1; k < hi; ++k)
        if (!Run(k) && Estimate(k) <= target_) return k;
    if (hi == levelCount_) {
        // Nothing is expected to fit: the smallest level is the result.
        const int last = levelCount_ - 1;
        if (!Run(last) && last > lo) return last;
        return std::nullopt;
    }
    // The level above the one that fits, unless it is far above the target.
    const int above = hi - 1;
    if (above > lo && !Run(above) && LowEstimate(above) <= target_ * kNear) return above;
    return std::nullopt;
}

const FitAttempt* FitSearch::Chosen() const {
    const FitAttempt* best = nullptr;
    for (const FitAttempt& a : attempts_)
        if (a.size <= target_ && (!best || a.level < best->level)) best = &a;
    if (best) return best;
    for (const FitAttempt& a : attempts_)
        if (!best || a.size < best->size || (a.size == best->size && a.level < best->level)) best = &a;
    return best;
}

bool FitSearch::Fits() const {
    const FitAttempt* c = Chosen();
    return c && c->size <= target_;
}

} // namespace quillmax::app
