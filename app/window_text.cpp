#include "app/window_text.h"

#include "text/codepage.h"

QString to_qstring(const Text& text) { return QString::fromStdU16String(local_to_utf16(text)); }

Text to_text(const QString& text) { return utf16_to_local(text.toStdU16String()); }

QString to_display(const Text& text) {
  QString shown = to_qstring(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}
