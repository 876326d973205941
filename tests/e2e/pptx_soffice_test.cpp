// File: tests/e2e/pptx_soffice_test.cpp
// Packages saved by the package-backed PowerPoint open in LibreOffice: an
// unchanged corpus deck and a deck whose picture was replaced by a pasted
// JPEG both convert to PDF. One soffice run for both (it takes seconds).
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "office/automation.h"
#include "platform/pptx/package_check.h"
#include "platform/pptx/pptx_automation.h"
#include "support/temp_folder.h"

using namespace quillmax;
namespace fs = std::filesystem;

TEST(PptxSoffice, SavedDecksConvertToPdf) {
    if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "soffice not installed";
    std::string corpus = std::string(QUILLMAX_SOURCE_DIR) + "/../shared/corpus";
    std::string deck = corpus + "/docling/powerpoint_with_image.pptx";
    if (!fs::exists(deck)) GTEST_SKIP() << "no corpus deck " << deck;
    test::TempFolder tmp;
    const fs::path& dir = tmp.path();

    auto a = pptx::CreateAutomation();
    auto app = a->CreatePowerPoint();
    auto pres = app->GetPresentations()->Open(deck, true);
    pres->SaveAs((dir / "unchanged.pptx").string());

    // replace the first picture by a JPEG paste of itself, as the engine does
    auto shapes = pres->GetSlides()->Item(1)->GetShapes();
    std::shared_ptr<office::Shape> pic;
    for (int i = 1; i <= shapes->Count(); ++i)
        if (shapes->Item(i)->Type() == office::ppt::kShapePicture) pic = shapes->Item(i);
    ASSERT_TRUE(pic);
    double l = pic->Left(), t = pic->Top(), w = pic->Width(), h = pic->Height();
    int z = pic->ZOrderPosition();
    pic->Copy();
    auto repl = shapes->PasteSpecial(office::ppt::kPastePNG)->Item(1);
    repl->SetLeft(l);
    repl->SetTop(t);
    repl->SetWidth(w);
    repl->SetHeight(h);
    while (repl->ZOrderPosition() > z) repl->ZOrder(office::ppt::kSendBackward);
    pic->Delete();
    pres->SaveAs((dir / "replaced.pptx").string());
    for (auto name : {"unchanged.pptx", "replaced.pptx"})
        for (auto& p : pptx::CheckPackageFile((dir / name).string())) ADD_FAILURE() << name << ": " << p;

    std::string cmd = "cd '" + dir.string() + "' && HOME='" + dir.string() +
                      "' timeout 180 soffice --headless --convert-to pdf --outdir '" + dir.string() +
                      "' unchanged.pptx replaced.pptx >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (auto name : {"unchanged.pdf", "replaced.pdf"}) {
        ASSERT_TRUE(fs::exists(dir / name)) << name;
        EXPECT_GT(fs::file_size(dir / name), 1000u) << name;
    }
    fs::remove_all(dir);
}
