// File: util/folder_picker.cpp
// The installed folder chooser and the call through it.
#include "util/folder_picker.h"

namespace quillmax::util {
namespace {

FolderChooser& Installed() {
    static FolderChooser chooser;
    return chooser;
}

} // namespace

void SetFolderChooser(FolderChooser chooser) { Installed() = std::move(chooser); }

std::string BrowseForFolder(const std::string& initialFolder, const std::string& prompt) {
    FolderChooser& chooser = Installed();
    if (!chooser) return "";
    std::string path = chooser(initialFolder, prompt);
    // The shell answers in a NUL-terminated buffer; keep its reading.
    size_t nul = path.find('\0');
    if (nul != std::string::npos) path.resize(nul);
    return path;
}

} // namespace quillmax::util
