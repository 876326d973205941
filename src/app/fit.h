// File: app/fit.h
// Fitting a deck under a size (a mail or upload limit): the size's text
// form, the ladder of picture levels from the best quality down, and the
// search that chooses which level to run next from what the runs so far
// measured. No file work here; the presentation pass runs the levels.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_state.h"

namespace quillmax::app {

// "10MB", "9.5M", "800KB", "800k", "1GB", "2500000B"; a bare number is MB.
// Blanks around the number and the unit, a comma as the decimal sign and
// full-width characters are taken. 1 MB = 1024 KB. nullopt when the text is
// not such a size or not more than 0.
std::optional<double> ParseFitSize(std::string_view text);
// The message for a size that cannot be read.
std::string FitSizeError(const std::string& text);
// A byte count as the fit's lines show it: MB from 1 MB on, else KB.
std::string FormatFitSize(double bytes);

struct FitLevel {
    double factor;   // rendering size factor
    int jpegQuality; // 0: the program's own
    const char* name;
};
// Best quality first: combRatio's four, then smaller factors, then lower
// JPEG qualities. Each level's output is at most the one above it's.
const std::vector<FitLevel>& FitLevels();

// One level's run: the size it writes (the input's when it writes nothing)
// and the pictures it converted.
struct FitAttempt {
    int level = 0;
    double size = 0;
    std::vector<engine::PictureSample> samples;
};

// Which levels to run. Sizes fall with the level; the answer is the first
// level whose size is at or under the target, else the last. Every level
// not run yet gets an estimate from the nearest run: its pictures' sizes
// scaled by the pixel count (the exponent learnt from two runs when there
// are two) and by the JPEG quality, each kept only where the expected rate
// would keep it. A level whose estimate is far above the target is not run.
class FitSearch {
public:
    // levelCount: how many levels of FitLevels() the program can make;
    // expectRate: combExpectRate as a number (nullopt: nothing is kept).
    FitSearch(double target, double inputSize, int levelCount, std::optional<double> expectRate);

    // The level to run next; nullopt when the answer is known.
    std::optional<int> Next() const;
    void Record(FitAttempt attempt);

    // The run whose output is kept: the best-quality one that fits, else
    // the smallest; null before any run.
    const FitAttempt* Chosen() const;
    bool Fits() const;
    // The predicted size of a level (its measured size once run).
    double Estimate(int level) const;
    const std::vector<FitAttempt>& Attempts() const { return attempts_; }

    // Beyond this share above the target a level's estimate counts as far.
    static constexpr double kNear = 1.10;
    // The level run first when the input does not fit: the default one.
    static constexpr int kProbe = 2;

private:
    const FitAttempt* Run(int level) const;
    double EstimateFrom(const FitAttempt& from, int level, double exponent) const;
    // The learnt exponent, or nullopt before two runs at different factors.
    std::optional<double> LearntExponent(int level) const;
    // The smallest estimate the exponents still plausible give: a level is
    // skipped only when even this is far above the target.
    double LowEstimate(int level) const;
    const FitAttempt* Nearest(int level) const;

    double target_, inputSize_;
    int levelCount_;
    std::optional<double> expectRate_;
    std::vector<FitAttempt> attempts_;
};

} // namespace quillmax::app
