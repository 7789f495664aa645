#include "web/cookies.h"

#include <algorithm>

#include "text/markers.h"
#include "text/primitives.h"

namespace {

// Pairs joined by "; ", or the empty text.
Text join_pairs(const TextList& pairs) {
  Text joined;
  for (const Text& pair : pairs) joined += pair + "; ";
  return left_part(joined, byte_count(joined) - 2);
}

TextList trimmed_pairs(const Text& cookies) {
  TextList pairs = split_by(trim_blanks(cookies), ";");
  for (Text& pair : pairs) pair = trim_blanks(pair);
  // "a=1; ; b=2" holds no third cookie; an empty pair kept through the merge would end
  // the text in a separator once its repeats are dropped.
  std::erase_if(pairs, [](const Text& pair) { return pair.empty(); });
  return pairs;
}

}  // namespace

Text harvest_cookies(const Text& raw_headers) {
  TextList pairs;
  for (const Text& line : split_by(raw_headers, "\r\n")) {
    const Position name_end = find_in_text(line, ": ");
    if (name_end == -1 || left_part(line, name_end - 1) != "Set-Cookie") continue;
    Text pair = find_in_text(line, ";") != -1 ? text_between(line, "Set-Cookie:", ";")
                                              : substitute(line, "Set-Cookie:");
    pair = trim_blanks(pair);
    // An empty "Set-Cookie: " line sets nothing; kept, it would leave "; ; " in the text.
    if (!pair.empty()) pairs.push_back(pair);
  }
  return join_pairs(pairs);
}

Text merge_cookies(const Text& older, const Text& newer) {
  // An older pair is checked against the list as it grows, so of two older pairs with
  // one name only the first is carried over.
  TextList merged = trimmed_pairs(newer);
  for (const Text& old_pair : trimmed_pairs(older)) {
    const Text name = cookie_name(old_pair);
    const bool shadowed = std::any_of(merged.begin(), merged.end(),
                                      [&](const Text& pair) { return cookie_name(pair) == name; });
    if (!shadowed) merged.push_back(old_pair);
  }
  std::erase_if(merged, [](const Text& pair) { return right_part(pair, 8) == "=deleted"; });
  return dedupe_items(join_pairs(merged), "; ");
}

Text cookie_name(const Text& pair) {
  const Position equals = find_in_text(pair, "=");
  return trim_blanks(equals == -1 ? pair : left_part(pair, equals - 1));
}

Text dedupe_items(const Text& text, const Text& separator) {
  TextList kept;
  for (const Text& item : split_by(text, separator)) {
    if (std::find(kept.begin(), kept.end(), item) == kept.end()) kept.push_back(item);
  }
  Text joined;
  for (const Text& item : kept) joined += item + separator;
  return left_part(joined, byte_count(joined) - byte_count(separator));
}
