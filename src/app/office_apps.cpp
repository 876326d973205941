// File: app/office_apps.cpp
// Bringing PowerPoint and Excel up, the operating mode and the environment
// check that precedes every batch, the slide-tab operation and PowerPoint
// 2007's picture-compression switch.
#include "app/office_apps.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "base/containment.h"
#include "base/errors.h"
#include "settings/registry_access.h"

namespace quillmax::app {
namespace {

using office::routine;
using office::step;
using office::step_value;

constexpr const char* kCannotStartPowerPoint = "パワーポイントを起動できません。";
constexpr const char* kCannotStartExcel = "エクセルを起動できません。";
constexpr const char* kPowerPointEnds = "パワーポイントを起動できません。終了します。";
constexpr const char* kPowerPointMissingEnds =
    "パワーポイントが見つからない、または、起動できません。終了します。";
constexpr const char* kOffice2000NeedsBoth =
    "[Office 2000モード]での動作にはパワーポイントおよびエクセルが必要です。終了します。";

constexpr const char* kPictureCompressionKey = "Software\\Microsoft\\Office\\12.0\\PowerPoint\\Options";
constexpr const char* kPictureCompressionValue = "AutomaticPictureCompressionDefault";

// Exit status of the program when the check ends it.
constexpr int kProgramEndCode = 2;

office::Automation& Runtime(Session& s) {
    if (!s.automation) throw office::AutomationError("Automation", "no automation runtime");
    return *s.automation;
}

void Box(Session& s, const std::string& text, Icon icon) {
    if (s.view) s.view->MessageBox(text, icon);
}

} // namespace

bool PowerPointAlive(Session& s) {
    return step_value(
        [&] {
            if (!s.appPPT) return false;
            s.appPPT->Name();
            return true;
        },
        false);
}

bool ExcelAlive(Session& s) {
    return step_value(
        [&] {
            if (!s.appEXCEL) return false;
            s.appEXCEL->Name();
            return true;
        },
        false);
}

bool EnsurePowerPoint(Session& s) {
    if (PowerPointAlive(s)) return true;
    office::Automation& runtime = Runtime(s); // none at all is the unexpected failure
    std::shared_ptr<office::Application> app =
        step_value([&] { return runtime.AttachPowerPoint(); }, std::shared_ptr<office::Application>());
    if (!app)
        app = step_value([&] { return runtime.CreatePowerPoint(); },
                         std::shared_ptr<office::Application>());
    s.appPPT = app;
    if (!app) {
        Box(s, kCannotStartPowerPoint, Icon::Exclamation);
        return false;
    }
    return true;
}

bool EnsureExcel(Session& s) {
    if (ExcelAlive(s)) return true;
    // A running Excel is never attached: the user's workbooks stay theirs.
    std::shared_ptr<office::ExcelApplication> app = step_value(
        [&] { return Runtime(s).CreateExcel(); }, std::shared_ptr<office::ExcelApplication>());
    s.appEXCEL = app;
    if (!app) {
        Box(s, kCannotStartExcel, Icon::Exclamation);
        return false;
    }
    return true;
}

bool NoPresentationsOpen(Session& s) {
    int count = step_value(
        [&] {
            if (!s.appPPT) throw office::AutomationError("Application", "no application");
            return s.appPPT->GetPresentations()->Count();
        },
        0);
    return count <= 0;
}

bool NoWorkbooksOpen(Session& s) {
    int count = step_value(
        [&] {
            if (!s.appEXCEL) throw office::AutomationError("ExcelApplication", "no application");
            return s.appEXCEL->GetWorkbooks()->Count();
        },
        0);
    return count <= 0;
}

int PowerPointVersion(Session& s) {
    if (!s.appPPT) throw office::AutomationError("Application.Version", "no application");
    const std::string text = s.appPPT->Version();
    const char* begin = text.c_str();
    char* end = nullptr;
    double v = std::strtod(begin, &end);
    if (end == begin) throw office::AutomationError("Application.Version", "type mismatch: " + text);
    return static_cast<int>(std::floor(v));
}

bool CheckEnvironment(Session& s) {
    bool started = false;
    try {
        started = EnsurePowerPoint(s);
    } catch (const office::AutomationError&) {
        Box(s, kPowerPointMissingEnds, Icon::Stop);
        throw office::ProgramEnd(kProgramEndCode);
    }
    if (!started) {
        Box(s, kPowerPointEnds, Icon::Stop);
        throw office::ProgramEnd(kProgramEndCode);
    }

    // Steps up to quitting PowerPoint: the first failure abandons the rest
    // of them and the check goes on with the mode as it was.
    bool documentsOpen = false;
    routine([&] {
        if (s.view) s.view->SetCaption(kProgramTitle);
        if (PowerPointVersion(s) >= 10) {
            s.officeXPMode = true;
            if (s.view) s.view->SetCaption(std::string(kProgramTitle) + " [Office XP/2003/2007 ﾓｰﾄﾞ]");
        } else {
            s.officeXPMode = false;
            if (s.view) s.view->SetCaption(std::string(kProgramTitle) + " [Office 2000 ﾓｰﾄﾞ]");
        }
        if (!NoPresentationsOpen(s)) {
            documentsOpen = true; // PowerPoint stays running, appPPT keeps it
            return;
        }
        s.appPPT->Quit();
        s.appPPT.reset();
    });
    if (documentsOpen) return false;

    if (s.officeXPMode) return true;

    // Office 2000 mode: Excel must be there too. Each call stands alone.
    if (!EnsureExcel(s)) {
        Box(s, kOffice2000NeedsBoth, Icon::Stop);
        return false;
    }
    if (!NoWorkbooksOpen(s)) return false; // Excel is left running
    step([&] { s.appEXCEL->Quit(); });
    s.sheetWork.reset();
    s.bookWork.reset();
    s.appEXCEL.reset();
    return true;
}

void SetSlideTab(Session& s) {
    routine([&] {
        if (!s.appPPT) throw office::AutomationError("Application", "no application");
        std::shared_ptr<office::CommandBarControl> control =
            s.appPPT->CommandBars("Standard")->AddControl(6015);
        if (s.view) s.view->DoEvents();
        if (!control) return;
        if (!s.presSource) throw office::AutomationError("Presentation", "no presentation");
        if (s.presSource->Windows(1)->Panes(1)->ViewType() == office::ppt::kViewOutline)
            control->Execute();
        control->Delete();
    });
}

void SwitchPictureCompressionOff(Session& s) {
    if (!s.registry) return;
    step([&] {
        s.registry->WriteRegistryDword(settings::RegRoot::CurrentUser, kPictureCompressionKey,
                                       kPictureCompressionValue, 0);
    });
}

void RestorePictureCompression(Session& s) {
    if (!s.registry) return;
    step([&] {
        s.registry->DeleteRegistryValue(settings::RegRoot::CurrentUser, kPictureCompressionKey,
                                        kPictureCompressionValue);
    });
}

} // namespace quillmax::app
