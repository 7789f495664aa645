#include "app/qt_translations.h"

#include <QLibraryInfo>
#include <QTranslator>

bool load_qt_translations(QCoreApplication& application, const QLocale& locale) {
  auto* translator = new QTranslator(&application);  // owned by the application
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
