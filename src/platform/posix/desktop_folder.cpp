// File: platform/posix/desktop_folder.cpp
// Asks xdg-user-dir for the desktop folder; falls back to $HOME/Desktop.
#include "platform/posix/desktop_folder.h"

#include <cstdio>
#include <cstdlib>

namespace quillmax::util {

std::string DesktopFolder() {
    std::string out;
    if (FILE* p = ::popen("xdg-user-dir DESKTOP 2>/dev/null", "r")) {
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        if (::pclose(p) != 0) out.clear();
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    if (!out.empty() && out.front() == '/') return out;
    const char* home = std::getenv("HOME");
    std::string h = home && *home ? home : "";
    while (h.size() > 1 && h.back() == '/') h.pop_back();
    return h + "/Desktop";
}

} // namespace quillmax::util
