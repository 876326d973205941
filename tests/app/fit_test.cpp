// File: tests/app/fit_test.cpp
// The fit's size text and its search, on decks simulated from a size model
// (the real decks are in tests/integration/fit_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/fit.h"

namespace quillmax::app {
namespace {

constexpr double kKB = 1024.0, kMB = 1024.0 * 1024.0;

TEST(FitSize, ReadsTheSizesPeopleWriteAndRefusesTheRest) {
    EXPECT_EQ(ParseFitSize("10MB"), 10 * kMB);
    EXPECT_EQ(ParseFitSize("9.5M"), 9.5 * kMB);
    EXPECT_EQ(ParseFitSize("800KB"), 800 * kKB);
    EXPECT_EQ(ParseFitSize(" 800 kb "), 800 * kKB);
    EXPECT_EQ(ParseFitSize("1GB"), 1024 * kMB);
    EXPECT_EQ(ParseFitSize("25"), 25 * kMB);              // a bare number is MB
    EXPECT_EQ(ParseFitSize("9,5MB"), 9.5 * kMB);          // a comma as decimal sign
    EXPECT_EQ(ParseFitSize("１０ＭＢ"), 10 * kMB);          // typed full-width
    EXPECT_EQ(ParseFitSize("2500000B"), 2500000.0);
    for (const char* bad : {"", "MB", "0", "0MB", "-1MB", "10XB", "10 MB extra", "1.2.3MB", "ten", ".", "1e3MB"})
        EXPECT_FALSE(ParseFitSize(bad)) << bad;
    EXPECT_EQ(FitSizeError("10XB"), "目標ｻｲｽﾞの指定が正しくありません：10XB（例：10MB、9.5M、800KB）");
}

TEST(FitSize, ShowsMegabytesWithOneDecimalAndKilobytesBelow) {
    EXPECT_EQ(FormatFitSize(10 * kMB), "10MB");
    EXPECT_EQ(FormatFitSize(9.5 * kMB), "9.5MB");
    EXPECT_EQ(FormatFitSize(800 * kKB), "800KB");
    EXPECT_EQ(FormatFitSize(250 * kMB), "250MB");
}

TEST(FitLadder, GoesFromBestQualityDownAndNeverGrows) {
    const auto& levels = FitLevels();
    ASSERT_EQ(levels.size(), 9u);
    EXPECT_STREQ(levels.front().name, "画質最優先");
    EXPECT_STREQ(levels[3].name, "ｻｲｽﾞ最優先");
    for (size_t i = 1; i < levels.size(); ++i) {
        EXPECT_LE(levels[i].factor, levels[i - 1].factor);
        const int q = levels[i].jpegQuality ? levels[i].jpegQuality : 85;
        const int qPrev = levels[i - 1].jpegQuality ? levels[i - 1].jpegQuality : 85;
        EXPECT_TRUE(levels[i].factor < levels[i - 1].factor || q < qPrev) << i;
    }
}

// A deck of pictures whose JPEG sizes follow factor^exponent, kept by the
// engine's 75% rule, on top of bytes that never change.
struct SimDeck {
    double fixed;                      // everything but the pictures
    std::vector<double> orig, atOne;   // stored size; JPEG size at factor 1
    double exponent = 1.8;
    double qualityShare60 = 0.62, qualityShare40 = 0.47;

    double New(size_t i, int level) const {
        const FitLevel& l = FitLevels()[static_cast<size_t>(level)];
        const double q = l.jpegQuality == 60 ? qualityShare60 : l.jpegQuality == 40 ? qualityShare40 : 1.0;
        return atOne[i] * std::pow(l.factor, exponent) * q;
    }
    double Input() const {
        double s = fixed;
        for (double o : orig) s += o;
        return s;
    }
    FitAttempt Run(int level) const {
        FitAttempt a{level, fixed, {}};
        for (size_t i = 0; i < orig.size(); ++i) {
            const double n = New(i, level);
            a.samples.push_back({orig[i], n, true});
            a.size += n < 0.75 * orig[i] ? n : orig[i];
        }
        return a;
    }
    // What running every level one by one gives: the first that fits.
    int Answer(double target, int levels) const {
        for (int k = 0; k < levels; ++k)
            if (Run(k).size <= target) return k;
        return levels - 1;
    }
};

struct Outcome {
    int level = -1;
    int runs = 0;
    bool fits = false;
};

Outcome Search(const SimDeck& deck, double target, int levels = 9) {
    FitSearch search(target, deck.Input(), levels, 75.0);
    Outcome o;
    while (auto next = search.Next()) {
        search.Record(deck.Run(*next));
        if (++o.runs > levels) break; // never more runs than levels
    }
    o.level = search.Chosen()->level;
    o.fits = search.Fits();
    return o;
}

SimDeck PhotoDeck(double exponent) {
    SimDeck d{300 * kKB, {}, {}, exponent};
    for (int i = 0; i < 12; ++i) {
        d.orig.push_back((900 + 150 * i) * kKB);
        d.atOne.push_back((180 + 20 * (i % 5)) * kKB);
    }
    return d;
}

TEST(FitSearch, FindsTheLevelThatRunningEveryLevelFindsInAFewRuns) {
    // The real exponent is unknown to the search: too low, typical, too high.
    for (double exponent : {1.2, 1.8, 2.3}) {
        const SimDeck deck = PhotoDeck(exponent);
        std::vector<double> sizes;
        for (int k = 0; k < 9; ++k) sizes.push_back(deck.Run(k).size);
        int totalRuns = 0, searches = 0;
        for (int k = 1; k < 9; ++k) {
            if (!(sizes[k] < sizes[k - 1])) continue;
            // Just at a level's size, and just below the level above's.
            for (double target : {sizes[k], sizes[k - 1] - 1, (sizes[k] + sizes[k - 1]) / 2}) {
                const Outcome o = Search(deck, target);
                EXPECT_EQ(o.level, deck.Answer(target, 9)) << "exponent " << exponent << " target " << target;
                EXPECT_TRUE(o.fits);
                EXPECT_LE(o.runs, 4) << "exponent " << exponent << " target " << target;
                totalRuns += o.runs;
                ++searches;
            }
        }
        EXPECT_LE(static_cast<double>(totalRuns) / searches, 3.0) << "exponent " << exponent;
    }
}

TEST(FitSearch, BelowTheSmallestKeepsTheSmallestAndSaysItMisses) {
    const SimDeck deck = PhotoDeck(1.8);
    const Outcome o = Search(deck, deck.fixed / 2);
    EXPECT_EQ(o.level, 8);
    EXPECT_FALSE(o.fits);
    EXPECT_LE(o.runs, 3);
    // Without a way to set the JPEG quality the ladder ends earlier.
    const Outcome short7 = Search(deck, deck.fixed / 2, 7);
    EXPECT_EQ(short7.level, 6);
}

TEST(FitSearch, ADeckThatShrinksNoFurtherStillEnds) {
    // Pictures that never pay: every level leaves the deck as it is.
    SimDeck deck{5 * kMB, {200 * kKB}, {400 * kKB}};
    const Outcome o = Search(deck, 4 * kMB);
    EXPECT_FALSE(o.fits);
    EXPECT_LE(o.runs, 3);
    // An input that fits already is run once, at the best quality.
    FitSearch search(10 * kMB, 5 * kMB, 9, 75.0);
    ASSERT_EQ(search.Next(), 0);
    search.Record(deck.Run(0));
    EXPECT_FALSE(search.Next());
    EXPECT_TRUE(search.Fits());
}

TEST(FitSearch, AnExpectRateThatIsNoNumberKeepsNothing) {
    const SimDeck deck = PhotoDeck(1.8);
    FitSearch search(deck.Input() / 2, deck.Input(), 9, std::nullopt);
    search.Record(deck.Run(2));
    // The engine would keep no copy, so no level is predicted smaller.
    EXPECT_EQ(search.Estimate(5), deck.Run(2).size);
}

} // namespace
} // namespace quillmax::app
