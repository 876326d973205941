// File: gui/japanese.h
// Qt's own texts (standard buttons, file, folder and input dialogs) in
// Japanese, whatever the user's locale, so they match the program's texts.
#pragma once

#include <QString>

class QCoreApplication;

namespace quillmax::gui {

// Debian's file name of Qt's base translations for Japanese.
inline constexpr const char* kQtJapaneseCatalog = "qtbase_ja";

// Installs Qt's Japanese translations into the application; false when the
// catalogue is not installed (Qt then speaks English).
bool InstallQtJapanese(QCoreApplication& app);

// The folder the catalogues are looked for in (Qt's translations folder).
QString QtTranslationsFolder();

} // namespace quillmax::gui
