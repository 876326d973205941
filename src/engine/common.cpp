// File: engine/common.cpp
#include "engine/common.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "base/containment.h"
#include "util/file_system.h"
#include "base/text.h"

namespace quillmax::engine {

util::FileSystem& Files(RunState& s) {
    if (!s.fileSystem) throw office::AutomationError("FileSystem", "no file system");
    return *s.fileSystem;
}

std::optional<double> ReadNumber(const std::string& text) {
    std::string t = util::Trim(text);
    if (t.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        return std::nullopt;
    return v;
}

long long RoundEven(double v) { return static_cast<long long>(std::nearbyint(v)); }

void MinimiseApplications(RunState& s) {
    office::step([&] {
        if (s.appPPT && s.appPPT->WindowState() != office::ppt::kWindowMinimized)
            s.appPPT->SetWindowState(office::ppt::kWindowMinimized);
    });
    if (!s.officeXPMode) {
        office::step([&] {
            if (s.appEXCEL && s.appEXCEL->WindowState() != office::xl::kWindowMinimized)
                s.appEXCEL->SetWindowState(office::xl::kWindowMinimized);
        });
    }
}

void Settle(RunState& s, int ms) {
    if (s.automation) s.automation->Settle(ms);
}

bool AllPictures(const RunState& s) {
    return s.allPicturesForRun || (s.settings && s.settings->AllPictures == 1);
}

} // namespace quillmax::engine
