// File: platform/posix/config_folder.cpp
#include "platform/posix/config_folder.h"

#include <cstdlib>

namespace quillmax::util {

std::string ConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : ".") + "/.config";
    }
    return base + "/quillmax";
}

} // namespace quillmax::util
