// File: tests/engine/picture_test.cpp
#include "engine/picture.h"

#include "engine/reporting.h"
#include "engine_fixture.h"

namespace quillmax::test {
namespace {

using engine::Geometry;

class PictureTest : public EngineTest {
protected:
    std::vector<std::string> Convert(const std::shared_ptr<FakeShape>& shape, bool isTopLevel = true) {
        Geometry g{shape->left, shape->top, shape->width, shape->height};
        std::vector<std::string> names;
        engine::ConvertToPicture(s(), slide, shape, g, isTopLevel, "Picture", true, names);
        return names;
    }
    // The shape that took the old one's place (the only new picture).
    std::shared_ptr<FakeShape> Replacement() const {
        for (auto& sh : slide->shapes)
            if (sh->pastedFormat != 0) return sh;
        return nullptr;
    }
};

TEST_F(PictureTest, AcceptedPictureTakesOverAndIsLogged) {
    slide->AddShape("back", office::ppt::kShapeAuto);
    auto old = AddPicture("Picture 1", 100000);
    slide->AddShape("front", office::ppt::kShapeAuto);
    old->actions[0]->action = 7;
    old->visible = false;
    old->alternativeText = "Sales by region";
    old->title = "Chart";

    auto names = Convert(old);
    auto neu = Replacement();
    ASSERT_TRUE(neu);
    EXPECT_TRUE(old->deleted);
    EXPECT_EQ(names, std::vector<std::string>{neu->name});
    EXPECT_EQ(SlideNames(), (std::vector<std::string>{"back", neu->name, "front"}));
    EXPECT_EQ(neu->pastedFormat, office::ppt::kPasteJPG);
    EXPECT_EQ((std::vector<double>{neu->left, neu->top, neu->width, neu->height}),
              (std::vector<double>{10, 20, 200, 100}));
    EXPECT_EQ(neu->actions[0]->action, 7);
    EXPECT_FALSE(neu->visible);
    EXPECT_EQ(neu->alternativeText, "Sales by region");
    EXPECT_EQ(neu->title, "Chart");
    EXPECT_TRUE(s().shapeReplaced);
    EXPECT_EQ(w.view.log, "\t200x100 ﾋﾟｸｾﾙの画像を圧縮 (" + engine::FormatKB(100000) + "→" +
                              engine::FormatKB(30000) + ")  \r\n");
    EXPECT_TRUE(measure->slides.empty());
    EXPECT_EQ(w.office.settleCalls, 3); // paste, copy, deletion
}

TEST_F(PictureTest, SizeFloorIsExactlyFileSizeKilobytes) {
    auto small = AddPicture("Picture 1", 51199);
    EXPECT_EQ(Convert(small), std::vector<std::string>{"Picture 1"});
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 0);
    EXPECT_FALSE(small->deleted);

    auto exact = AddPicture("Picture 2", 51200);
    Convert(exact);
    EXPECT_TRUE(exact->deleted);
}

TEST_F(PictureTest, NonNumericSettingsKeepThePicture) {
    auto p = AddPicture("Picture 1", 100000);
    w.settings.FileSize = "abc";
    Convert(p);
    EXPECT_FALSE(p->deleted);
    w.settings.FileSize = "50";
    w.settings.ExpectRate = "";
    Convert(p);
    EXPECT_FALSE(p->deleted);
    EXPECT_EQ(SlideNames(), std::vector<std::string>{"Picture 1"});
}

TEST_F(PictureTest, RateEqualToExpectRateIsRejected) {
    double share = 0.75;
    w.office.pastedBytes = [&](const ClipContent& c, int) { return c.sourceBytes * share; };
    auto p = AddPicture("Picture 1", 100000);
    EXPECT_EQ(Convert(p), std::vector<std::string>{"Picture 1"});
    EXPECT_FALSE(p->deleted);
    EXPECT_EQ(SlideNames(), std::vector<std::string>{"Picture 1"});
    EXPECT_TRUE(w.view.log.empty());
    EXPECT_FALSE(s().shapeReplaced);

    share = 0.749;
    Convert(p);
    EXPECT_TRUE(p->deleted);
}

TEST_F(PictureTest, RotatedPictureIsCopiedUprightAndGetsItsRotationBack) {
    std::vector<double> rotationAtPaste;
    auto p = AddPicture("Picture 1", 100000);
    p->rotation = 30;
    w.office.pastedBytes = [&](const ClipContent& c, int) {
        rotationAtPaste.push_back(p->rotation);
        return c.sourceBytes * 0.5;
    };
    Convert(p);
    ASSERT_TRUE(Replacement());
    EXPECT_EQ(Replacement()->rotation, 30);
    EXPECT_EQ(rotationAtPaste, std::vector<double>{0});

    auto q = AddPicture("Picture 2", 100000);
    q->rotation = 30;
    w.settings.ExpectRate = "10"; // rejected
    Convert(q);
    EXPECT_FALSE(q->deleted);
    EXPECT_EQ(q->rotation, 30);
}

TEST_F(PictureTest, CopyIsRenderedAtTheRatioFactor) {
    std::vector<double> copiedWidths;
    w.office.pastedBytes = [&](const ClipContent& c, int) {
        copiedWidths.push_back(c.width);
        return c.sourceBytes * 0.3;
    };
    w.settings.Ratio = 0; // ｻｲｽﾞ最優先
    auto p = AddPicture("Picture 1", 100000);
    Convert(p);
    EXPECT_EQ(copiedWidths, std::vector<double>{150});
    EXPECT_EQ(Replacement()->width, 200);
}

TEST_F(PictureTest, JpegThatLosesTheLinesIsRedoneAsMetafile) {
    w.office.pastedRaster = [](const ClipContent& c, int format) -> std::optional<office::Raster> {
        if (format == office::ppt::kPasteJPG) return SolidRaster(40, 20, 0xFFFFFF);
        return c.raster;
    };
    w.office.pastedBytes = [](const ClipContent& c, int format) {
        return c.sourceBytes * (format == office::ppt::kPasteJPG ? 0.3 : 0.5);
    };
    auto p = AddPicture("Picture 1", 100000);
    Convert(p);
    auto neu = Replacement();
    ASSERT_TRUE(neu);
    EXPECT_EQ(neu->pastedFormat, office::ppt::kPasteMetafile);
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 2);
    EXPECT_EQ(SlideNames(), std::vector<std::string>{neu->name}); // the JPEG is gone
    EXPECT_NE(w.view.log.find("→" + engine::FormatKB(50000) + ")"), std::string::npos);
}

TEST_F(PictureTest, FixedFormatRunsNoPixelCheck) {
    w.settings.Format = 1; // JPEG
    w.office.pastedRaster = [](const ClipContent&, int) { return SolidRaster(40, 20, 0xFFFFFF); };
    auto p = AddPicture("Picture 1", 100000);
    Convert(p);
    EXPECT_EQ(Replacement()->pastedFormat, office::ppt::kPasteJPG);
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 1);
}

// JPEG would flatten see-through pixels onto white: the recommended format
// pastes such a picture as PNG, which needs no pixel check. A format the
// user chose stays as chosen.
TEST_F(PictureTest, TransparentPictureGoesAsPngWhereJpegWasRecommended) {
    w.office.pastedRaster = [](const ClipContent&, int) { return SolidRaster(40, 20, 0xFFFFFF); };
    w.office.pastedBytes = [](const ClipContent& c, int) { return c.sourceBytes * 0.5; };
    auto p = AddPicture("Picture 1", 100000);
    p->transparent = true;
    Convert(p);
    auto neu = Replacement();
    ASSERT_TRUE(neu);
    EXPECT_EQ(neu->pastedFormat, office::ppt::kPastePNG);
    EXPECT_TRUE(neu->transparent);
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 1);
    EXPECT_EQ(Calls("Clipboard.MetafilePicture"), 1); // the reference only: no pixel check
    EXPECT_NE(w.view.log.find("ﾋﾟｸｾﾙの画像を圧縮"), std::string::npos);

    w.settings.Format = 1; // JPEG chosen: asked for as such, and the layer refuses to flatten
    auto q = AddPicture("Picture 2", 100000);
    q->transparent = true;
    Convert(q);
    EXPECT_FALSE(q->deleted); // so the picture stays as it was
}

TEST_F(PictureTest, TransparentPictureInTheOlderModeGoesAsPngToo) {
    UseOffice2000();
    w.office.pastedBytes = [](const ClipContent& c, int) { return c.sourceBytes * 0.5; };
    auto p = AddPicture("Picture 1", 100000);
    p->transparent = true;
    Convert(p);
    EXPECT_EQ(book->sheet->pastedFormats, std::vector<std::string>{"図 (PNG)"});
    ASSERT_TRUE(Replacement());
}

TEST_F(PictureTest, Office2000PastesThroughTheWorksheet) {
    UseOffice2000();
    auto p = AddPicture("Picture 1", 100000);
    Convert(p);
    auto neu = Replacement();
    ASSERT_TRUE(neu);
    auto sheet = book->sheet;
    EXPECT_EQ(sheet->pastedFormats, std::vector<std::string>{"図 (JPEG)"});
    EXPECT_TRUE(sheet->shapes->items.empty());
    EXPECT_TRUE(book->saved);
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 0);
    EXPECT_EQ(neu->pastedFormat, office::ppt::kPasteJPG);
    EXPECT_EQ(excel->windowState, office::xl::kWindowMinimized);

    // A rotated picture goes as metafile and keeps its rotation untouched.
    auto q = AddPicture("Picture 2", 100000);
    q->rotation = 30;
    w.office.pastedBytes = [](const ClipContent& c, int) { return c.sourceBytes * 0.5; };
    Convert(q);
    EXPECT_EQ(sheet->pastedFormats.back(), "図 (拡張メタファイル)");
    EXPECT_EQ(Calls("Shape.SetRotation"), 0);
}

TEST_F(PictureTest, FailingPasteSpecialKeepsTheOldPicture) {
    auto p = AddPicture("Picture 1", 100000);
    p->rotation = 30;
    w.office.FailOn("Shapes.PasteSpecial");
    EXPECT_EQ(Convert(p), std::vector<std::string>{"Picture 1"});
    EXPECT_EQ(SlideNames(), std::vector<std::string>{"Picture 1"});
    EXPECT_EQ(p->rotation, 30);
    EXPECT_TRUE(w.view.log.empty());
    EXPECT_FALSE(s().shapeReplaced);
}

TEST_F(PictureTest, FailingMeasurementDeletesOnlyThisReplacement) {
    auto earlier = AddPicture("Picture 9", 0);
    earlier->pastedFormat = office::ppt::kPasteJPG; // made for an earlier shape
    auto p = AddPicture("Picture 1", 100000);
    w.office.FailOn("Presentation.SaveAs", 1); // the new version's save
    Convert(p);
    EXPECT_EQ(SlideNames(), (std::vector<std::string>{"Picture 9", "Picture 1"}));
    EXPECT_TRUE(measure->slides.empty()); // no measuring slide left behind
}

TEST_F(PictureTest, GroupMemberGetsNoAnimationTransfer) {
    auto p = AddPicture("Picture 1", 100000);
    Convert(p, false);
    EXPECT_TRUE(p->deleted);
    EXPECT_EQ(Calls("Slide.TimeLine"), 0);
}

class PixelCheckTest : public EngineTest {
protected:
    void Clip(office::Raster r) {
        ClipContent c;
        c.raster = std::move(r);
        w.office.clipboard->content = c;
    }
};

TEST_F(PixelCheckTest, CountsOnlyPixelsTurnedPureBlackOrPureWhite) {
    engine::CompareRasters rasters;
    office::Raster ref = SolidRaster(100, 10, 0x808080);
    Clip(ref);
    engine::CaptureReference(s(), rasters);

    Clip(SolidRaster(100, 10, 0x7F7F7F)); // a shift of colour does not count
    EXPECT_FALSE(engine::PixelCheck(s(), rasters, 0.05));

    office::Raster cand = ref;
    for (int i = 0; i < 50; ++i) cand.pixels[i] = i % 2 ? 0xFFFFFF : 0x000000;
    Clip(cand); // 50 of 1000: at the limit
    EXPECT_FALSE(engine::PixelCheck(s(), rasters, 0.05));
    cand.pixels[50] = 0xFFFFFF;
    Clip(cand);
    EXPECT_TRUE(engine::PixelCheck(s(), rasters, 0.05));
}

TEST_F(PixelCheckTest, CandidateIsSampledInTheReferenceCoordinates) {
    engine::CompareRasters rasters;
    Clip(SolidRaster(10, 10, 0x808080));
    engine::CaptureReference(s(), rasters);
    Clip(SolidRaster(30, 30, 0x808080));
    EXPECT_FALSE(engine::PixelCheck(s(), rasters, 0.05));
    Clip(SolidRaster(30, 30, 0xFFFFFF));
    EXPECT_TRUE(engine::PixelCheck(s(), rasters, 0.05));
}

TEST_F(PixelCheckTest, NoPictureNoVerdict) {
    engine::CompareRasters rasters;
    Clip(SolidRaster(10, 10, 0x808080));
    engine::CaptureReference(s(), rasters);
    w.office.clipboard->content.reset();
    EXPECT_FALSE(engine::PixelCheck(s(), rasters, 0.05));
    // An empty clipboard clears the reference rather than keeping an old one.
    engine::CaptureReference(s(), rasters);
    EXPECT_FALSE(rasters.referenceRaster);
}

} // namespace
} // namespace quillmax::test
