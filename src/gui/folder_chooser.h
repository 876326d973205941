// File: gui/folder_chooser.h
// The window system's folder chooser behind util::BrowseForFolder.
#pragma once

#include <string>

namespace quillmax::gui {

// Opens at initialFolder (when it exists) with prompt as title; "" on cancel.
std::string ChooseFolder(const std::string& initialFolder, const std::string& prompt);

// Makes BrowseForFolder use ChooseFolder.
void InstallFolderChooser();

}  // namespace quillmax::gui
