#include "app/qt_translations.h"

#include <QLibraryInfo>
#include <memory>

QTranslator* load_qt_translations(QCoreApplication& application, const QLocale& locale) {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return nullptr;
  }
  translator->setParent(&application);
  QCoreApplication::installTranslator(translator.get());
  return translator.release();  // the application owns it now
}
