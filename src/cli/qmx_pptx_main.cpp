// File: cli/qmx_pptx_main.cpp
// qmx-pptx: what the package-backed PowerPoint sees of a deck.
//   qmx-pptx dump FILE            shapes per slide (and main sequences)
//   qmx-pptx check FILE           structural problems; exit 1 when any
//   qmx-pptx roundtrip IN OUT     open read-only, save as OUT
//   qmx-pptx report FILE [--json] where the bytes are
#include <cstdio>
#include <iostream>
#include <string>

#include "base/errors.h"
#include "platform/pptx/package_check.h"
#include "platform/pptx/pptx_automation.h"
#include "platform/pptx/report.h"
#include "platform/pptx/timeline.h"

using namespace quillmax;

namespace {

int Usage() {
    std::cerr << "usage: qmx-pptx dump FILE | check FILE | roundtrip IN OUT | report FILE [--json]\n";
    return 2;
}

std::string Fixed(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// One tab-separated line per main-sequence effect (see platform/pptx/timeline.h).
void DumpMainSequence(const std::shared_ptr<office::Slide>& slide) {
    for (const auto& line : pptx::DumpMainSequence(slide)) std::cout << line << "\n";
}

int Dump(const std::string& path) {
    auto automation = pptx::CreateAutomation();
    auto app = automation->CreatePowerPoint();
    auto pres = app->GetPresentations()->Open(path, true);
    auto slides = pres->GetSlides();
    for (int s = 1; s <= slides->Count(); ++s) {
        auto slide = slides->Item(s);
        std::cout << "slide " << s << "\n";
        auto shapes = slide->GetShapes();
        for (int i = 1; i <= shapes->Count(); ++i) {
            auto sh = shapes->Item(i);
            std::cout << sh->ZOrderPosition() << "\t" << sh->Type() << "\t" << sh->Name() << "\t" << Fixed(sh->Left())
                      << "\t" << Fixed(sh->Top()) << "\t" << Fixed(sh->Width()) << "\t" << Fixed(sh->Height()) << "\t"
                      << Fixed(sh->Rotation()) << "\n";
        }
        DumpMainSequence(slide);
    }
    pres->Close();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string cmd = argv[1];
    try {
        if (cmd == "dump" && argc == 3) return Dump(argv[2]);
        if (cmd == "check" && argc == 3) {
            auto problems = pptx::CheckPackageFile(argv[2]);
            for (auto& p : problems) std::cout << p << "\n";
            return problems.empty() ? 0 : 1;
        }
        if (cmd == "report" && (argc == 3 || (argc == 4 && std::string(argv[3]) == "--json"))) {
            const pptx::DeckReport report = pptx::MakeReport(argv[2]);
            std::cout << (argc == 4 ? pptx::ReportJson(argv[2], report) : pptx::ReportText(argv[2], report));
            return 0;
        }
        if (cmd == "roundtrip" && argc == 4) {
            auto automation = pptx::CreateAutomation();
            auto app = automation->CreatePowerPoint();
            auto pres = app->GetPresentations()->Open(argv[2], true);
            pres->SaveAs(argv[3]);
            pres->Close();
            return 0;
        }
    } catch (const office::AutomationError& e) {
        std::cerr << "qmx-pptx: " << e.what() << "\n";
        return 1;
    }
    return Usage();
}
