// Cookie rules around one exchange.
//
// A cookie text is name=value pairs joined by "; ". A pair's name is the text before its
// first "=", trimmed; names compare byte for byte. A pair ending in "=deleted" stands for
// a cookie the server removed.
#pragma once

#include "text/text.h"

// The pairs the response's Set-Cookie lines set, in header order, attributes dropped.
// Only lines named exactly "Set-Cookie" followed by ": " count.
Text harvest_cookies(const Text& raw_headers);

// Newer pairs win by name; older pairs whose name newer lacks are appended; deleted
// pairs and exact repeats go.
Text merge_cookies(const Text& older, const Text& newer);

Text cookie_name(const Text& pair);

// The text with every repeated item (split at separator) after its first occurrence removed.
Text dedupe_items(const Text& text, const Text& separator);
