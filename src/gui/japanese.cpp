// File: gui/japanese.cpp
#include "gui/japanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quillmax::gui {

QString QtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool InstallQtJapanese(QCoreApplication& app) {
    // Owned by the application: it must live as long as the texts are used.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QString::fromLatin1(kQtJapaneseCatalog), QtTranslationsFolder())) {
        delete translator;
        return false;
    }
    app.installTranslator(translator);
    // Dates, numbers and the dialogs' own wording follow the same language.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    return true;
}

} // namespace quillmax::gui
