// File: util/folder_picker.h
// BrowseForFolder: the folder chooser the options dialog's two browse
// buttons call. The chooser itself belongs to the front end (a window
// system dialog), so system code only holds the function it installed.
#pragma once

#include <functional>
#include <string>

namespace quillmax::util {

// Gets the initially selected folder and the chooser's title; gives the
// chosen folder's path, or "" on cancel.
using FolderChooser = std::function<std::string(const std::string& initialFolder,
                                                const std::string& prompt)>;

// Installs the chooser (an empty function uninstalls it).
void SetFolderChooser(FolderChooser chooser);

// The chosen folder, or "" when the user cancelled, the choice has no
// file-system path, or no chooser is installed. Nothing after a NUL of the
// chooser's answer is returned.
std::string BrowseForFolder(const std::string& initialFolder, const std::string& prompt);

} // namespace quillmax::util
