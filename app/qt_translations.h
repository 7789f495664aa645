// Qt's own translations (standard buttons and the like) for the user's language.
#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

// Installs qtbase_<locale>.qm from Qt's translations folder and returns it (owned by
// the application; deleting it uninstalls it), or null when there is none.
QTranslator* load_qt_translations(QCoreApplication& application, const QLocale& locale);
