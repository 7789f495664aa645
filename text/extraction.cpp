#include "text/extraction.h"

#include <optional>
#include <utility>

#include "text/markers.h"
#include "text/regex_object.h"

Text escape_pattern(const Text& text) {
  // Each step only adds backslashes, which no later step touches, so nothing is
  // escaped twice. The backslash, . ^ $ and | keep their meaning on purpose.
  Text escaped =
      replace_text(text, {{"?", "\\?"}, {"*", "\\*"}, {"+", "\\+"}, {"[", "\\["}, {"]", "\\]"}});
  escaped = replace_text(
      escaped,
      {{"(", "\\("}, {")", "\\)"}, {"{", "\\{"}, {"}", "\\}"}, {quote_placeholder(), "\""}});
  // A CR LF in a marker matches a bare line feed in the page.
  return substitute(escaped, "\r\n", "\\n", 1, std::nullopt, true);
}

int extract_all_between(const Text& source, const Text& left, const Text& right, TextList& items,
                        const ExtractOptions& options) {
  items.clear();
  // The group takes the shortest run of anything, line breaks included, before the
  // right marker; global matching goes on after each match, so items never overlap.
  const Text pattern = escape_pattern(left) + "([\\s\\S]*?)" + escape_pattern(right);
  RegexObject regex;
  regex.match_all(pattern, source);
  const int count = regex.match_count();
  for (int i = 1; i <= count; ++i) {
    Text item = regex.group_text(i, 1);
    if (options.max_length != 0 && byte_count(item) > options.max_length) continue;
    item = options.prefix + item + options.suffix;
    if (options.include_left) item = left + item;
    if (options.include_right) item += right;
    items.push_back(std::move(item));
  }
  return static_cast<int>(items.size());
}
