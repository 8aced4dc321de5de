#include "platform/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::StringLiterals;

bool InstallGermanTranslations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                  QCoreApplication::applicationDirPath() + u"/translations"_s}) {
        if (translator->load(u"qtbase_de"_s, folder)) {
            return QCoreApplication::installTranslator(translator);
        }
    }
    delete translator;
    return false;
}
