// Listing every text between two markers in one pass.
#pragma once

#include "text/primitives.h"

// Escapes ? * + [ ] ( ) { } with a backslash, turns the quote placeholder into a
// double quote and CR LF into the pattern escape \n. Other pattern characters
// (. ^ $ | and the backslash) keep their meaning.
Text escape_pattern(const Text& text);

struct ExtractOptions {
  Position max_length = 0;  // 0: no limit; otherwise longer items are left out
  Text prefix{};
  Text suffix{};
  bool include_left = false;
  bool include_right = false;
};

// Fills `items` (emptied first) with every text between `left` and the next `right`,
// in source order, ignoring ASCII case. Returns the number of items.
int extract_all_between(const Text& source, const Text& left, const Text& right, TextList& items,
                        const ExtractOptions& options = {});
