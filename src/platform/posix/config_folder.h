// File: platform/posix/config_folder.h
// The program's own folder among the user's configuration:
// $XDG_CONFIG_HOME/quillmax, else $HOME/.config/quillmax. Not created here;
// no final separator.
#pragma once

#include <string>

namespace quillmax::util {

std::string ConfigFolder();

} // namespace quillmax::util
