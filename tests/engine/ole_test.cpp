// File: tests/engine/ole_test.cpp
// OLE objects through the walk: registration, the list's formats, the
// second conversion of heavy objects and their log line.

#include "engine/reporting.h"
#include "engine/walk.h"
#include "engine_fixture.h"

namespace quillmax::test {
namespace {

class OleTest : public EngineTest {
protected:
    std::shared_ptr<FakeShape> AddObject(const std::string& name, const std::string& progId,
                                         double bytes) {
        auto o = AddPicture(name, bytes);
        o->type = office::ppt::kShapeEmbeddedOLE;
        o->hasOLEFormat = true;
        o->progId = progId;
        return o;
    }
    void Walk() { engine::CompressSlide(s(), slide, nullptr, true); }
    // The data types PasteSpecial was asked for, in order.
    std::vector<int> pasted;
    void RecordPastes(std::function<double(const ClipContent&, int)> bytes) {
        w.office.pastedBytes = [this, bytes](const ClipContent& c, int f) {
            pasted.push_back(f);
            return bytes(c, f);
        };
    }
    std::shared_ptr<FakeShape> Replacement() const {
        for (auto& sh : slide->shapes)
            if (sh->pastedFormat != 0) return sh;
        return nullptr;
    }
};

TEST_F(OleTest, ListValueJpegPastesJpegWithoutPixelCheck) {
    w.oleList.AddToExceptionList("excel", "JPEG");
    w.office.pastedRaster = [](const ClipContent&, int) { return SolidRaster(40, 20, 0xFFFFFF); };
    auto o = AddObject("Object 2", "Excel.Sheet.8", 100000);
    Walk();
    auto neu = Replacement();
    ASSERT_TRUE(neu);
    EXPECT_EQ(neu->pastedFormat, office::ppt::kPasteJPG);
    EXPECT_TRUE(o->deleted);
    EXPECT_EQ(Calls("Clipboard.MetafilePicture"), 1); // the reference only
    EXPECT_EQ(w.view.log, "\t200x100 ﾋﾟｸｾﾙのExcelｵﾌﾞｼﾞｪｸﾄを画像に変換 (" +
                              engine::FormatKB(100000) + "→" + engine::FormatKB(30000) + ")  \r\n");
}

TEST_F(OleTest, HeavyObjectIsConvertedTwice) {
    RecordPastes([](const ClipContent& c, int f) {
        return c.sourceBytes * (f == office::ppt::kPasteJPG ? 0.3 : 1.1);
    });
    AddObject("Object 2", "Excel.Sheet.8", 200 * 1024);
    w.oleList.AddToExceptionList("excel", "変換する");
    Walk();
    EXPECT_EQ(pasted, (std::vector<int>{office::ppt::kPasteMetafile, office::ppt::kPasteJPG}));
    ASSERT_TRUE(Replacement());
    EXPECT_EQ(SlideNames(), std::vector<std::string>{Replacement()->name});
    const double jpegBytes = 200 * 1024 * 1.1 * 0.3; // the JPEG of the metafile
    EXPECT_EQ(w.view.log, "\t200x100 ﾋﾟｸｾﾙのExcelｵﾌﾞｼﾞｪｸﾄを画像に変換 (200KB→" +
                              engine::FormatKB(jpegBytes) + ")  \r\n");
}

// The layer refuses to rasterise the first conversion (a metafile it cannot
// render faithfully): the object ends as that metafile, as a JPEG failing
// its pixel check would.
TEST_F(OleTest, HeavyObjectWhoseMetafileCannotBeRasterisedEndsAsTheMetafile) {
    RecordPastes([](const ClipContent& c, int f) -> double {
        if (f == office::ppt::kPasteJPG)
            throw office::AutomationError("Shapes.PasteSpecial", "cannot render metafile");
        return c.sourceBytes * 0.01;
    });
    auto o = AddObject("Object 2", "Word.Document.12", 560 * 1024);
    w.oleList.AddToExceptionList("word", "変換する");
    Walk();
    EXPECT_EQ(pasted, (std::vector<int>{office::ppt::kPasteMetafile, office::ppt::kPasteJPG,
                                        office::ppt::kPasteMetafile}));
    auto neu = Replacement();
    ASSERT_TRUE(neu);
    EXPECT_EQ(neu->pastedFormat, office::ppt::kPasteMetafile);
    EXPECT_TRUE(o->deleted);
    EXPECT_EQ(SlideNames(), std::vector<std::string>{neu->name});
    // Measured once before the paste and once for the metafile: no fresh copy.
    EXPECT_EQ(Calls("Slides.Add"), 2);
    const double metaBytes = 560 * 1024 * 0.01 * 0.01; // the metafile's metafile
    EXPECT_EQ(w.view.log, "\t200x100 ﾋﾟｸｾﾙのWordｵﾌﾞｼﾞｪｸﾄを画像に変換 (560KB→" +
                              engine::FormatKB(metaBytes) + ")  \r\n");
}

TEST_F(OleTest, OlderModeFallsBackToTheMetafileToo) {
    UseOffice2000();
    RecordPastes([](const ClipContent& c, int f) -> double {
        if (f == office::ppt::kPasteJPG)
            throw office::AutomationError("Worksheet.PasteSpecial", "cannot render metafile");
        return c.sourceBytes * 0.5;
    });
    auto o = AddObject("Object 2", "Word.Document.12", 200 * 1024);
    w.oleList.AddToExceptionList("word", "変換する");
    Walk();
    EXPECT_EQ(book->sheet->pastedFormats,
              (std::vector<std::string>{"図 (拡張メタファイル)", "図 (JPEG)", "図 (拡張メタファイル)"}));
    EXPECT_TRUE(o->deleted);
    EXPECT_TRUE(book->sheet->shapes->items.empty());
    EXPECT_EQ(SlideNames().size(), 1u);
}

// Only the picture rules' paste falls back; a metafile that cannot be
// pasted either keeps the object, with nothing left behind.
TEST_F(OleTest, FallbackThatFailsTooKeepsTheObject) {
    RecordPastes([](const ClipContent& c, int f) -> double {
        if (f == office::ppt::kPasteJPG)
            throw office::AutomationError("Shapes.PasteSpecial", "cannot render metafile");
        return c.sourceBytes * 0.5;
    });
    w.office.FailOn("Shapes.PasteSpecial", 2, 1); // the fallback's paste
    auto o = AddObject("Object 2", "Word.Document.12", 200 * 1024);
    w.oleList.AddToExceptionList("word", "変換する");
    Walk();
    EXPECT_FALSE(o->deleted);
    EXPECT_EQ(SlideNames(), std::vector<std::string>{"Object 2"});
    EXPECT_EQ(w.view.log, "");
}

// The object's metafile renders with a see-through background: its second
// conversion is a PNG, not a JPEG on white.
TEST_F(OleTest, TransparentFirstConversionIsPastedAgainAsPng) {
    RecordPastes([](const ClipContent& c, int f) {
        return c.sourceBytes * (f == office::ppt::kPastePNG ? 0.2 : 1.1);
    });
    auto o = AddObject("Object 2", "Word.Document.12", 200 * 1024);
    o->transparent = true;
    w.oleList.AddToExceptionList("word", "変換する");
    Walk();
    EXPECT_EQ(pasted, (std::vector<int>{office::ppt::kPasteMetafile, office::ppt::kPastePNG}));
    EXPECT_TRUE(o->deleted);
    EXPECT_NE(w.view.log.find("Wordｵﾌﾞｼﾞｪｸﾄを画像に変換"), std::string::npos);
}

TEST_F(OleTest, ObjectOfExactly100KBIsConvertedOnce) {
    RecordPastes([](const ClipContent& c, int) { return c.sourceBytes * 1.1; });
    auto o = AddObject("Object 2", "Excel.Sheet.8", 102400);
    w.oleList.AddToExceptionList("excel", "変換する");
    Walk();
    EXPECT_EQ(pasted, std::vector<int>{office::ppt::kPasteMetafile});
    EXPECT_FALSE(o->deleted); // 110%: not smaller
    EXPECT_EQ(SlideNames(), std::vector<std::string>{"Object 2"});
}

TEST_F(OleTest, EmptyProgIdConvertsWithAnEmptyApplicationName) {
    RecordPastes([](const ClipContent& c, int) { return c.sourceBytes * 0.5; });
    AddObject("Object 2", "", 100000);
    Walk();
    EXPECT_EQ(pasted, std::vector<int>{office::ppt::kPasteMetafile});
    EXPECT_TRUE(w.oleList.keys().empty());
    EXPECT_EQ(w.view.log, "\t200x100 ﾋﾟｸｾﾙのｵﾌﾞｼﾞｪｸﾄを画像に変換 (" + engine::FormatKB(100000) +
                              "→" + engine::FormatKB(50000) + ")  \r\n");
}

TEST_F(OleTest, ConversionOffStillRegistersEveryApplication) {
    w.settings.OLE = 0;
    auto a = AddObject("Object 2", "Word.Document.12", 100000);
    auto b = AddObject("Object 3", "Visio.Drawing", 100000);
    w.oleList.AddToExceptionList("visio", "変換する");
    Walk();
    EXPECT_FALSE(a->deleted);
    EXPECT_FALSE(b->deleted);
    EXPECT_EQ(Calls("Slides.Add"), 0);
    EXPECT_EQ(w.oleList.keys(), (std::vector<std::string>{"visio", "word"}));
    EXPECT_EQ(w.oleList.values(), (std::vector<std::string>{"変換する", "False"}));
}

TEST_F(OleTest, NewApplicationIsMeasuredButKeptAndDoNotConvertIsNotMeasured) {
    auto a = AddObject("Object 2", "Equation.3", 100000);
    Walk();
    EXPECT_EQ(w.oleList.ObjToImage("equation"), "False");
    EXPECT_GT(Calls("Slides.Add"), 0);
    EXPECT_EQ(Calls("Shapes.PasteSpecial"), 0);
    EXPECT_FALSE(a->deleted);

    w.oleList.SetValueAt(0, "変換しない");
    int before = Calls("Slides.Add");
    Walk();
    EXPECT_EQ(Calls("Slides.Add"), before);
}

TEST_F(OleTest, UnreadableProgIdCountsAsEmpty) {
    RecordPastes([](const ClipContent& c, int) { return c.sourceBytes * 0.5; });
    auto o = AddObject("Object 2", "Excel.Sheet.8", 100000);
    w.office.FailOn("OLEFormat.ProgID");
    Walk();
    EXPECT_TRUE(w.oleList.keys().empty());
    EXPECT_TRUE(o->deleted);
}

} // namespace
} // namespace quillmax::test
