// File: gui/folder_chooser.cpp
#include "gui/folder_chooser.h"

#include <QDir>
#include <QFileDialog>

#include "gui/twips.h"
#include "util/folder_picker.h"

namespace quillmax::gui {

std::string ChooseFolder(const std::string& initialFolder, const std::string& prompt) {
    // No owner window: the other windows stay usable, as with the shell's.
    QString chosen = QFileDialog::getExistingDirectory(nullptr, Q(prompt), Q(initialFolder),
                                                       QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) return "";
    return S(QDir::toNativeSeparators(chosen));
}

void InstallFolderChooser() { util::SetFolderChooser(ChooseFolder); }

}  // namespace quillmax::gui
