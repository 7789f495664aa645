#include "text/markers.h"

#include "text/literal.h"

const Text& quote_placeholder() { return "#引号"_gbk; }

namespace {

Text with_quotes(const Text& marker) {
  return substitute(marker, quote_placeholder(), "\"", 1, std::nullopt, true);
}

}  // namespace

Text text_between(const Text& source, const Text& left, const Text& right, Position start,
                  bool ignore_case) {
  const Text left_marker = with_quotes(left);
  const Text right_marker = with_quotes(right);
  Position p = find_in_text(source, left_marker, start, ignore_case);
  if (p == -1) return {};
  p += byte_count(left_marker);
  const Position q = find_in_text(source, right_marker, p, ignore_case);
  if (q == -1) return {};
  return middle_part(source, p, q - p);
}

Text replace_text(const Text& text, std::initializer_list<Replacement> pairs,
                  const ReplaceOptions& options) {
  const Position start = options.start < 1 ? 1 : options.start;
  Text current = text;
  for (const Replacement& pair : pairs) {
    current = substitute(current, pair.find, pair.replacement, start, options.count,
                         options.case_sensitive);
  }
  return current;
}

Text replace_text(const Text& text, const Text& find, const Text& replacement,
                  const ReplaceOptions& options) {
  return replace_text(text, {Replacement{find, replacement}}, options);
}
