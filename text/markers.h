// Cutting values out of pages and header blocks, and multi-pair cleaning.
//
// Inside a marker the placeholder "#引号" stands for one double quote.
#pragma once

#include <initializer_list>
#include <optional>

#include "text/primitives.h"

// The text between the first `left` at or after `start` and the next `right` after it;
// empty when either is missing.
Text text_between(const Text& source, const Text& left, const Text& right, Position start = 1,
                  bool ignore_case = false);

struct Replacement {
  Text find;
  Text replacement;
};

struct ReplaceOptions {
  std::optional<Position> count = std::nullopt;  // per pair; left out means every occurrence
  Position start = 1;                            // 0 and below count as 1
  bool case_sensitive = false;
};

// Applies the pairs in order, each to the result of the one before.
Text replace_text(const Text& text, std::initializer_list<Replacement> pairs,
                  const ReplaceOptions& options = {});
Text replace_text(const Text& text, const Text& find, const Text& replacement,
                  const ReplaceOptions& options = {});

// The quote placeholder, already in code page 936.
const Text& quote_placeholder();
