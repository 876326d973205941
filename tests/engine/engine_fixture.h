// File: tests/engine/engine_fixture.h
// A batch in progress on the fake object model, as the engine finds it: a
// presentation being compressed with one slide, the scratch presentation
// and its paths, PowerPoint (and, for the older mode, Excel with its
// scratch workbook).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fake_world.h"

namespace quillmax::test {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ppt = std::static_pointer_cast<FakePowerPoint>(w.office.CreatePowerPoint());
        s().appPPT = ppt;
        s().officeXPMode = true;
        source = w.office.MakePresentation(w.dir.file("in.pptx"));
        slide = source->AddSlide();
        measure = w.office.MakePresentation(w.dir.file("measure.pptx"));
        s().presSource = source;
        s().presMeasure = measure;
        s().scratchPath1 = w.dir.file("scratch1.pptx");
        s().scratchPath2 = w.dir.file("scratch2.pptx");
        s().emptyPresSize = FakeOffice::kBaseFileSize;
        w.settings.FileSize = "50";
        w.settings.ExpectRate = "75";
        w.settings.Format = 0;
        w.settings.Ratio = 1;
        w.settings.Movie = 0;
    }

    void UseOffice2000() {
        s().officeXPMode = false;
        excel = std::static_pointer_cast<FakeExcel>(w.office.CreateExcel());
        s().appEXCEL = excel;
        auto book = std::static_pointer_cast<FakeWorkbook>(excel->GetWorkbooks()->Add());
        s().bookWork = book;
        s().sheetWork = book->Worksheets(1);
        this->book = book;
    }

    app::Session& s() { return w.session; }

    // A picture of `bytes` weight drawing a black frame on white.
    std::shared_ptr<FakeShape> AddPicture(const std::string& name, double bytes) {
        auto p = slide->AddShape(name, office::ppt::kShapePicture, bytes);
        p->left = 10, p->top = 20, p->width = 200, p->height = 100;
        p->raster = FramedRaster(40, 20);
        return p;
    }

    static office::Raster FramedRaster(int wd, int ht) {
        office::Raster r = SolidRaster(wd, ht, 0xFFFFFF);
        for (int x = 0; x < wd; ++x) r.pixels[x] = r.pixels[(ht - 1) * wd + x] = 0x000000;
        for (int y = 0; y < ht; ++y) r.pixels[y * wd] = r.pixels[y * wd + wd - 1] = 0x000000;
        return r;
    }

    // The shapes of the slide now, by name, back to front.
    std::vector<std::string> SlideNames() const {
        std::vector<std::string> n;
        for (auto& sh : slide->shapes) n.push_back(sh->name);
        return n;
    }

    int Calls(const std::string& key) const { return w.office.CountCalls(key); }

    FakeWorld w;
    std::shared_ptr<FakePowerPoint> ppt;
    std::shared_ptr<FakeExcel> excel;
    std::shared_ptr<FakeWorkbook> book;
    std::shared_ptr<FakePresentation> source, measure;
    std::shared_ptr<FakeSlide> slide;
};

} // namespace quillmax::test
