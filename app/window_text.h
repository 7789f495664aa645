// The window's edge of the code page layer: every text that goes into or comes
// out of a control passes through here, so no Text ever holds UTF-8.
#pragma once

#include <QString>

#include "text/text.h"

QString to_qstring(const Text& text);
Text to_text(const QString& text);

// A Text as a control shows it: each "\r\n" pair (and a lone "\r") is one line break,
// since Qt's text widgets break lines on "\n" alone.
QString to_display(const Text& text);
