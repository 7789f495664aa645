// Qt's own translations (standard buttons and the like) for the user's language.
#pragma once

#include <QCoreApplication>
#include <QLocale>

// Installs qtbase_<locale>.qm from Qt's translations folder; false when there is none.
bool load_qt_translations(QCoreApplication& application, const QLocale& locale);
