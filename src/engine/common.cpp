// File: engine/common.cpp
#include "engine/common.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "office/containment.h"

namespace quillmax::engine {

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string TrimBlanks(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::optional<double> ReadNumber(const std::string& text) {
    std::string t = TrimBlanks(text);
    if (t.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        return std::nullopt;
    return v;
}

long long RoundEven(double v) { return static_cast<long long>(std::nearbyint(v)); }

void MinimiseApplications(app::Session& s) {
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

void Settle(app::Session& s, int ms) {
    if (s.automation) s.automation->Settle(ms);
}

} // namespace quillmax::engine
