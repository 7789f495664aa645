// The character-walk searches against a plain walk written the slow, obvious way:
// every character start in turn, compared byte by byte under the case rule.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "text/primitives.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

unsigned char fold(unsigned char b) { return (b >= 'A' && b <= 'Z') ? b + 32 : b; }

bool matches_at(const std::string& text, std::size_t at, const std::string& sought,
                bool fold_case) {
  if (text.size() - at < sought.size()) return false;
  for (std::size_t k = 0; k < sought.size();) {
    const auto s = static_cast<unsigned char>(sought[k]);
    const auto t = static_cast<unsigned char>(text[at + k]);
    if (s >= 0x80) {
      if (s != t || (k + 1 < sought.size() && sought[k + 1] != text[at + k + 1])) return false;
      k += 2;
    } else {
      if ((fold_case ? fold(s) != fold(t) : s != t)) return false;
      ++k;
    }
  }
  return true;
}

std::size_t step(const std::string& text, std::size_t at) {
  return static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1;
}

Position slow_find(const std::string& text, const std::string& sought, Position start,
                   bool fold_case) {
  std::size_t at = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  if (at >= text.size()) return -1;
  if (sought.empty()) return 1;
  for (; at < text.size(); at += step(text, at)) {
    if (matches_at(text, at, sought, fold_case)) return static_cast<Position>(at) + 1;
  }
  return -1;
}

Position slow_find_last(const std::string& text, const std::string& sought, bool fold_case) {
  if (text.empty()) return -1;
  if (sought.empty()) return 1;
  Position last = -1;
  for (std::size_t at = 0; at < text.size(); at += step(text, at)) {
    if (matches_at(text, at, sought, fold_case)) last = static_cast<Position>(at) + 1;
  }
  return last;
}

std::string slow_substitute(const std::string& text, const std::string& sought,
                            const std::string& replacement, Position start, bool fold_case) {
  const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  if (text.empty() || sought.empty() || from >= text.size()) return text;
  std::string out = text.substr(0, from);
  std::size_t at = from;
  while (at < text.size()) {
    if (matches_at(text, at, sought, fold_case)) {
      out += replacement;
      at += sought.size();
    } else {
      const std::size_t n = std::min(step(text, at), text.size() - at);
      out += text.substr(at, n);
      at += n;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const bool fold_case = input.flag();
  const Position start = static_cast<Position>(input.small()) - 2;
  const Text sought(input.piece());
  const Text replacement(input.piece());
  const Text text(input.rest());

  check(find_in_text(text, sought, start, fold_case) ==
        slow_find(text.str(), sought.str(), start, fold_case));
  check(find_last_in_text(text, sought, fold_case) ==
        slow_find_last(text.str(), sought.str(), fold_case));
  check(substitute(text, sought, replacement, start, std::nullopt, !fold_case).str() ==
        slow_substitute(text.str(), sought.str(), replacement.str(), start, fold_case));

  // Joining the pieces with the separator gives the text back, less a trailing separator.
  if (!sought.empty() && !text.empty()) {
    std::string joined;
    const TextList pieces = split_by(text, sought);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (i) joined += sought.str();
      joined += pieces[i].str();
    }
    check(joined == text.str() || joined + sought.str() == text.str());
  }

  // The parts take bytes as asked, clipped to the text; a count below 1 gives nothing.
  const std::string& bytes = text.str();
  const std::size_t n = start < 0 ? 0 : static_cast<std::size_t>(start);
  check(left_part(text, start).str() == bytes.substr(0, n));
  check(right_part(text, start).str() == bytes.substr(bytes.size() - std::min(n, bytes.size())));
  const Position length = byte_count(sought);
  check(middle_part(text, start, length).str() ==
        (start < 1 || n > bytes.size() ? "" : bytes.substr(n - 1, sought.size())));

  const Text trimmed = trim_blanks(text);
  check(trimmed.size() <= text.size() && text.str().find(trimmed.str()) != std::string::npos);
  check(lower_ascii(text).size() == text.size());
  parse_int(text);
  parse_number(text);
  return 0;
}
