// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/qt_translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace dspprog {

bool InstallQtTranslations() {
    const QStringList folders = {
        QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QDir(QCoreApplication::applicationDirPath()).filePath("translations")};
    for (const QString& folder : folders) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load("qtbase_ru", folder) &&
            QCoreApplication::installTranslator(translator))
            return true;
        delete translator;
    }
    return false;
}

}  // namespace dspprog
