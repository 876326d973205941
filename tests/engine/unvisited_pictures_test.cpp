// File: tests/engine/unvisited_pictures_test.cpp
// The pass over pictures no shape visit reaches: the picture rules' size
// floor and rate, JPEG or PNG by transparency, the log line, and a failing
// picture that costs only itself.
#include "engine/unvisited_pictures.h"

#include "engine/reporting.h"
#include "engine_fixture.h"
#include "base/errors.h"

namespace quillmax::test {
namespace {

class FakeImage : public office::PictureImage {
public:
    FakeImage(int kind, double bytes, double rendered, bool transparent = false)
        : kind_(kind), bytes_(bytes), rendered_(rendered), transparent_(transparent) {}
    int Kind() override { return kind_; }
    double Width() override { return 720; }
    double Height() override { return 540; }
    double Bytes() override { return bytes_; }
    bool Transparent() override { return transparent_; }
    double Render(double factor, int dataType) override {
        if (fail) throw office::AutomationError("PictureImage.Render", "broken");
        renders.push_back({factor, static_cast<double>(dataType)});
        return rendered_;
    }
    void Replace() override { replaced = true; }

    std::vector<std::pair<double, double>> renders;
    bool replaced = false;
    bool fail = false;

private:
    int kind_;
    double bytes_, rendered_;
    bool transparent_;
};

class UnvisitedPicturesTest : public EngineTest {};

TEST_F(UnvisitedPicturesTest, PicturesFollowThePictureRulesAndAreLogged) {
    w.settings.Ratio = 2; // "画質優先": 1.4
    auto background = std::make_shared<FakeImage>(office::ppt::kImageBackground, 3000000, 300000);
    auto clear = std::make_shared<FakeImage>(office::ppt::kImageFill, 400000, 200000, true);
    auto small = std::make_shared<FakeImage>(office::ppt::kImageLayout, 51199, 100);
    auto notWorthIt = std::make_shared<FakeImage>(office::ppt::kImageLayout, 100000, 75000);
    auto broken = std::make_shared<FakeImage>(office::ppt::kImageSvgFallback, 100000, 10000);
    broken->fail = true;
    auto last = std::make_shared<FakeImage>(office::ppt::kImageSvgFallback, 100000, 10000);
    source->unvisited = {background, clear, small, notWorthIt, broken, last};

    engine::CompressUnvisitedPictures(s());
    EXPECT_TRUE(background->replaced);
    ASSERT_EQ(background->renders.size(), 1u);
    EXPECT_DOUBLE_EQ(background->renders[0].first, 1.4);
    EXPECT_EQ(background->renders[0].second, office::ppt::kPasteJPG);
    EXPECT_TRUE(clear->replaced);
    EXPECT_EQ(clear->renders[0].second, office::ppt::kPastePNG);
    EXPECT_TRUE(small->renders.empty()) << "below FileSize: not even rendered";
    EXPECT_FALSE(notWorthIt->replaced) << "75% is not below ExpectRate 75";
    EXPECT_FALSE(broken->replaced);
    EXPECT_TRUE(last->replaced) << "a failing picture costs only itself";
    EXPECT_TRUE(s().shapeReplaced);
    EXPECT_EQ(w.view.log, "\t720x540 ﾋﾟｸｾﾙの背景画像を圧縮 (2930KB→293KB)  \r\n"
                          "\t720x540 ﾋﾟｸｾﾙの塗りつぶし画像を圧縮 (391KB→195KB)  \r\n"
                          "\t720x540 ﾋﾟｸｾﾙのSVGの代替画像を圧縮 (98KB→10KB)  \r\n");
}

TEST_F(UnvisitedPicturesTest, NothingWorthItLeavesNoTraceAndAFailingListEndsQuietly) {
    source->unvisited = {std::make_shared<FakeImage>(office::ppt::kImageBackground, 100000, 90000)};
    engine::CompressUnvisitedPictures(s());
    EXPECT_FALSE(s().shapeReplaced);
    EXPECT_EQ(w.view.log, "");
    source->fails.FailOn("Presentation.UnvisitedPictures");
    engine::CompressUnvisitedPictures(s());
    EXPECT_FALSE(s().shapeReplaced);
}

} // namespace
} // namespace quillmax::test
