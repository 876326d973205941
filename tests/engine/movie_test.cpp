// File: tests/engine/movie_test.cpp
// Movies on the fake object model with an encoder stand-in: finding the
// embedded movie, the replacement media shape, the relative link rewrite,
// the "*" and empty results, the use rule, the targets and file dates.
#include "engine/movie.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/movie_encoder.h"
#include "engine/walk.h"
#include "support/fake_encoder.h"
#include "support/fake_world.h"
#include "util/file_times.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;
constexpr double kMB = 1048576;

class Movies : public ::testing::Test {
protected:
    void SetUp() override {
        engine::MovieEncoding() = {};
        w.settings.Movie = 1;
        w.settings.Encode = 0;
        w.settings.MovieCond = 1;
        pres = w.office.MakePresentation(w.dir.file("deck.pptx"));
        w.session.presSource = pres;
        w.session.appPPT = w.office.CreatePowerPoint();
        slide = pres->AddSlide();
    }
    void TearDown() override { engine::MovieEncoding() = {}; }

    void PlugEncoder() {
        auto& setup = engine::MovieEncoding();
        setup.encoder = &encoder;
        setup.recipes1 = {engine::Recipe{"to-mp4 ", "  ", "never run"}};
        setup.extensions1 = {"avi", "wmv"};
    }

    std::shared_ptr<FakeShape> AddMedia(const std::string& name, const std::string& source) {
        auto m = slide->AddShape(name, office::ppt::kShapeMedia);
        m->hasLinkFormat = true;
        m->sourceFullName = source;
        m->left = 10, m->top = 20, m->width = 320, m->height = 240;
        return m;
    }

    std::shared_ptr<FakeShape> AddLinked(const std::string& click, const std::string& hover = "") {
        auto r = slide->AddShape("Rectangle 9", office::ppt::kShapeAuto);
        r->actions[0]->hyperlink->address = click;
        r->actions[1]->hyperlink->address = hover;
        return r;
    }

    void Walk() { engine::CompressSlide(w.session, slide, nullptr, true); }

    FakeWorld w;
    FakeEncoder encoder{"mp4", 1.0 / 3};
    std::shared_ptr<FakePresentation> pres;
    std::shared_ptr<FakeSlide> slide;
};

TEST_F(Movies, EmbeddedMovieIsLookedForBesideThePresentation) {
    const std::string beside = w.dir.touch("clip.avi");
    EXPECT_EQ(engine::FindEmbeddedMovie(w.session, pres->fullName, beside), beside);
    EXPECT_EQ(engine::FindEmbeddedMovie(w.session, pres->fullName, "/gone/away/clip.avi"), beside);
    EXPECT_TRUE(w.view.log.empty());
    EXPECT_EQ(engine::FindEmbeddedMovie(w.session, pres->fullName, "/gone/away/lost.wmv"), "");
    EXPECT_EQ(w.view.log, "\t" + w.dir.file("lost.wmv") + "(埋め込み動画) が見つかりません。\r\n");
}

TEST_F(Movies, EmbeddedMovieIsReplacedAtItsPlaceByTheSmallerFile) {
    PlugEncoder();
    w.dir.touch("clip.avi", static_cast<size_t>(3 * kMB));
    auto media = AddMedia("Media 1", "/recorded/elsewhere/clip.avi");
    slide->AddShape("Rectangle 2", office::ppt::kShapeAuto); // in front of the movie
    Walk();

    EXPECT_EQ(encoder.steps, std::vector<std::string>{"to-mp4"}); // trimmed; a blank step ends it
    EXPECT_TRUE(media->deleted);
    ASSERT_EQ(slide->shapes.size(), 2u);
    auto added = slide->shapes[0]; // the old stacking position
    EXPECT_EQ(added->type, office::ppt::kShapeMedia);
    EXPECT_EQ(added->sourceFullName, w.dir.file("clip【圧縮前3MB】.mp4"));
    EXPECT_DOUBLE_EQ(added->left, 10);
    EXPECT_DOUBLE_EQ(added->top, 20);
    EXPECT_DOUBLE_EQ(added->width, 320);
    EXPECT_DOUBLE_EQ(added->height, 240);
    EXPECT_EQ(w.view.log, "\tclip.avi を圧縮 (3MB→1MB)  \r\n");
    EXPECT_DOUBLE_EQ(w.session.movieBytesBefore, 3 * kMB);
    EXPECT_DOUBLE_EQ(w.session.movieBytesAfter, static_cast<double>(static_cast<size_t>(kMB)));
    EXPECT_FALSE(w.session.shapeReplaced); // movies count through their totals
}

TEST_F(Movies, StatusTwoKeepsTheShapeWithoutALineAndNoRecipeReportsAFailure) {
    PlugEncoder();
    encoder.status = 2;
    const std::string movie = w.dir.touch("clip.avi");
    auto media = AddMedia("Media 1", movie);
    auto linked = AddLinked("clip.avi");
    Walk();
    EXPECT_TRUE(w.view.log.empty());
    EXPECT_FALSE(media->deleted);
    EXPECT_EQ(linked->actions[0]->hyperlink->address, "clip.avi");

    // Without recipes (the default) every movie stays, with the failure line.
    engine::MovieEncoding().recipes1.clear();
    Walk();
    EXPECT_EQ(w.view.log, "\t" + movie + "の圧縮に失敗しました。非対応動画の可能性があります。\r\n" +
                              "\t" + movie + "の圧縮に失敗しました。非対応動画の可能性があります。\r\n");
    EXPECT_FALSE(media->deleted);
}

TEST_F(Movies, LinkedMovieOnClickIsRepointedRelativeAndHoverIsLeftAlone) {
    PlugEncoder();
    w.dir.touch("clip.avi", 300000);
    w.dir.touch("other.avi", 300000);
    auto shape = AddLinked("clip.avi", "other.avi");
    Walk();
    EXPECT_EQ(shape->actions[0]->hyperlink->address, "clip【圧縮前0.3MB】.mp4");
    EXPECT_EQ(shape->actions[1]->hyperlink->address, "other.avi");
    EXPECT_FALSE(shape->deleted);
    EXPECT_EQ(encoder.steps.size(), 1u);

    auto missing = AddLinked("missing.wmv");
    encoder.steps.clear();
    w.view.log.clear();
    std::vector<std::string> names;
    engine::CompressLinkedMovie(w.session, missing, 1, names);
    EXPECT_EQ(names, std::vector<std::string>{"Rectangle 9"});
    EXPECT_EQ(w.view.log, "\t" + w.dir.file("missing.wmv") + "(リンク先動画) が見つかりません。\r\n");
    EXPECT_TRUE(encoder.steps.empty());
}

TEST_F(Movies, TargetSettingDecidesWhichKindIsLookedAt) {
    PlugEncoder();
    AddMedia("Media 1", "/nowhere/a.avi");
    AddLinked("b.avi");
    const std::string embeddedLine = "(埋め込み動画) が見つかりません。";
    const std::string linkedLine = "(リンク先動画) が見つかりません。";

    w.settings.MovieTarget = 1;
    Walk();
    EXPECT_NE(w.view.log.find(embeddedLine), std::string::npos);
    EXPECT_EQ(w.view.log.find(linkedLine), std::string::npos);

    w.view.log.clear();
    w.settings.MovieTarget = 2;
    Walk();
    EXPECT_EQ(w.view.log.find(embeddedLine), std::string::npos);
    EXPECT_NE(w.view.log.find(linkedLine), std::string::npos);

    w.view.log.clear();
    w.settings.Movie = 0;
    w.settings.MovieTarget = 0;
    Walk();
    EXPECT_TRUE(w.view.log.empty());
}

TEST_F(Movies, UseRuleFollowsTheMovieCondition) {
    PlugEncoder();
    encoder.ratio = 0.6;
    const std::string movie = w.dir.touch("big.avi", 100000);
    const std::string produced = w.dir.file("big【圧縮前0.1MB】.mp4");
    for (int cond : {1, 2}) {
        w.settings.MovieCond = cond;
        w.session.movieBytesBefore = w.session.movieBytesAfter = 0;
        w.view.log.clear();
        std::string result = engine::CompressMovieFile(w.session, pres->fullName, movie);
        if (cond == 1) {
            EXPECT_EQ(result, produced);
            EXPECT_EQ(w.view.log, "\tbig.avi を圧縮 (0.1MB→0.1MB)  \r\n");
            EXPECT_DOUBLE_EQ(w.session.movieBytesBefore, 100000);
        } else {
            EXPECT_EQ(result, "");
            EXPECT_EQ(w.view.log, "\tbig.avi は圧縮効果不十分のため圧縮せず\r\n");
            EXPECT_FALSE(fs::exists(produced));
            EXPECT_DOUBLE_EQ(w.session.movieBytesBefore, 0);
        }
    }
    EXPECT_TRUE(fs::exists(movie)); // the source movie is never touched
}

TEST_F(Movies, KeepFileDateCarriesTheSourceTimesToTheNewMovie) {
    PlugEncoder();
    w.settings.KeepFileDate = 1;
    const std::string movie = w.dir.touch("clip.avi", 3000);
    const util::FileTime when = util::UnixToFileTime(1500000000, 250000000);
    util::FileHandle h = util::OpenForTimeUpdate(movie);
    util::SetFileTime(h, nullptr, &when, &when);
    util::CloseHandle(h);
    AddLinked("clip.avi");
    Walk();
    const std::string produced = w.dir.file("clip【圧縮前0MB】.mp4");
    ASSERT_TRUE(fs::exists(produced));
    util::FileTimes t;
    ASSERT_TRUE(util::GetFileTimesByName(produced, t));
    std::int64_t sec = 0;
    long nsec = 0;
    util::FileTimeToUnix(t.lastWrite, sec, nsec);
    EXPECT_EQ(sec, 1500000000);
    EXPECT_EQ(nsec, 0);
}

} // namespace
} // namespace quillmax::test
