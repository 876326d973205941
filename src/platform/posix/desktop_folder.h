// File: platform/posix/desktop_folder.h
// The current user's desktop folder, as the folder settings default to:
// what `xdg-user-dir DESKTOP` prints, else $HOME/Desktop. No final
// separator.
#pragma once

#include <string>

namespace quillmax::util {

std::string DesktopFolder();

} // namespace quillmax::util
