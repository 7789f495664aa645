#include "text/primitives.h"

#include <locale.h>
#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool is_lead(unsigned char b) { return b >= 0x80; }
unsigned char byte_at(std::string_view s, std::size_t i) {
  return static_cast<unsigned char>(s[i]);
}
unsigned char fold(unsigned char b) { return (b >= 'A' && b <= 'Z') ? b + ('a' - 'A') : b; }
bool is_ascii_letter(unsigned char b) { return fold(b) >= 'a' && fold(b) <= 'z'; }

// Compares `sought` with the text at `at` under the case rule: ASCII letters fold,
// both bytes of a two-byte character compare exactly. The caller made sure enough
// bytes remain. Equal bytes so far keep the two character walks in step, so walking
// `sought` alone tells which bytes are trail bytes.
bool equal_ignoring_case(std::string_view text, std::size_t at, std::string_view sought) {
  for (std::size_t k = 0; k < sought.size();) {
    unsigned char s = byte_at(sought, k), t = byte_at(text, at + k);
    if (is_lead(s)) {
      if (s != t) return false;
      if (k + 1 < sought.size() && sought[k + 1] != text[at + k + 1]) return false;
      k += 2;
    } else {
      if (fold(s) != fold(t)) return false;
      k += 1;
    }
  }
  return true;
}

// Next byte offset >= `from` where `sought` could match, before the character rule.
std::size_t next_candidate(std::string_view text, std::string_view sought, std::size_t from,
                           bool ignore_case) {
  if (!ignore_case) return text.find(sought, from);
  if (sought.size() > text.size()) return npos;
  const std::size_t last_start = text.size() - sought.size();
  // Anchor on the first byte that is not a letter: it must match exactly, so memchr can find it.
  std::size_t anchor = 0;
  while (anchor < sought.size() && is_ascii_letter(byte_at(sought, anchor))) ++anchor;
  if (anchor < sought.size()) {
    const char wanted = sought[anchor];
    for (std::size_t at = from; at <= last_start;) {
      const char* hit = static_cast<const char*>(
          std::memchr(text.data() + at + anchor, wanted, last_start - at + 1));
      if (!hit) return npos;
      const std::size_t start = static_cast<std::size_t>(hit - text.data()) - anchor;
      if (equal_ignoring_case(text, start, sought)) return start;
      at = start + 1;
    }
    return npos;
  }
  const unsigned char first = fold(byte_at(sought, 0));
  for (std::size_t at = from; at <= last_start; ++at) {
    if (fold(byte_at(text, at)) == first && equal_ignoring_case(text, at, sought)) return at;
  }
  return npos;
}

// First match of `sought` (not empty) at or after `from` that begins where the
// character walk started at `from` would stand. Instead of walking every character,
// candidates come from a plain byte search and are checked afterwards: a byte below
// 0x80 always ends a character (single byte or trail), so the walk's alignment at a
// candidate follows from the parity of the run of high bytes just before it.
std::size_t find_at_boundary(std::string_view text, std::string_view sought, std::size_t from,
                             bool ignore_case) {
  std::size_t boundary = from;  // a position the walk is known to stand on
  std::size_t pos = from;
  while (pos < text.size()) {
    const std::size_t p = next_candidate(text, sought, pos, ignore_case);
    if (p == npos) return npos;
    std::size_t q = p;
    // Runs of high bytes are long in Chinese text: skip them eight bytes at a time.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    for (std::uint64_t word; q - boundary >= 8; q -= 8) {
      std::memcpy(&word, text.data() + q - 8, 8);
      if ((word & kHighBits) != kHighBits) break;
    }
    while (q > boundary && is_lead(byte_at(text, q - 1))) --q;
    if ((p - q) % 2 == 0) return p;
    boundary = p + 1;  // p is a trail byte, so the next character begins right after it
    pos = p + 1;
  }
  return npos;
}

std::size_t char_length(std::string_view text, std::size_t at) {
  return is_lead(byte_at(text, at)) ? 2 : 1;
}

// Zero-based offset for a 1-based start; below 1 counts as 1.
std::size_t offset_of(Position start) {
  return start < 1 ? 0 : static_cast<std::size_t>(start - 1);
}

// Full-width forms of ASCII characters read as those characters.
std::string fold_full_width(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char b = byte_at(s, i);
    if (!is_lead(b)) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    if (i + 1 >= s.size()) {
      out += static_cast<char>(b);
      break;
    }
    const unsigned char t = byte_at(s, i + 1);
    if (b == 0xA3 && t >= 0xA1 && t <= 0xFE)
      out += static_cast<char>(t - 0x80);
    else if (b == 0xA1 && t == 0xA1)
      out += ' ';
    else if (b == 0xA1 && t == 0xAB)
      out += '~';
    else if (b == 0xA1 && (t == 0xEE || t == 0xEF))
      out += '*';
    else
      out.append(s.substr(i, 2));
    i += 2;
  }
  return out;
}

bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

Position find_in_text(const Text& text, const Text& sought, Position start, bool ignore_case) {
  const std::size_t from = offset_of(start);
  if (from >= text.size()) return -1;
  if (sought.empty()) return 1;
  const std::size_t p = find_at_boundary(text.view(), sought.view(), from, ignore_case);
  return p == npos ? -1 : static_cast<Position>(p) + 1;
}

Position find_last_in_text(const Text& text, const Text& sought, bool ignore_case) {
  if (text.empty()) return -1;
  if (sought.empty()) return 1;
  Position last = -1;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t p = find_at_boundary(text.view(), sought.view(), from, ignore_case);
    if (p == npos) break;
    last = static_cast<Position>(p) + 1;
    from = p + char_length(text.view(), p);
  }
  return last;
}

Position byte_count(const Text& text) { return static_cast<Position>(text.size()); }

Text left_part(const Text& text, Position n) {
  if (n <= 0) return {};
  return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text right_part(const Text& text, Position n) {
  if (n <= 0) return {};
  const std::size_t keep = std::min(static_cast<std::size_t>(n), text.size());
  return Text(text.view().substr(text.size() - keep));
}

Text middle_part(const Text& text, Position start, Position n) {
  if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > text.size()) return {};
  return Text(text.view().substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

Text substitute(const Text& text, const Text& sought, const Text& replacement, Position start,
                std::optional<Position> count, bool case_sensitive) {
  const std::size_t from = offset_of(start);
  if (text.empty() || sought.empty() || from >= text.size() || (count && *count == 0)) return text;
  const std::string_view s = text.view();
  std::string out;
  out.reserve(s.size() + (replacement.size() > sought.size() ? s.size() / 2 : 0));
  out.append(s.substr(0, from));
  std::size_t pos = from;
  Position done = 0;
  while (pos < s.size()) {
    const std::size_t p = find_at_boundary(s, sought.view(), pos, !case_sensitive);
    if (p == npos) break;
    out.append(s.substr(pos, p - pos));
    out.append(replacement.view());
    pos = p + sought.size();
    if (count && ++done == *count) break;
  }
  if (pos < s.size()) out.append(s.substr(pos));
  return Text(std::move(out));
}

TextList split_by(const Text& text, const Text& separator) {
  TextList pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.push_back(text);
    return pieces;
  }
  const std::string_view s = text.view();
  std::size_t pos = 0;
  while (pos < s.size()) {
    const std::size_t p = find_at_boundary(s, separator.view(), pos, false);
    if (p == npos) break;
    pieces.emplace_back(s.substr(pos, p - pos));
    pos = p + separator.size();
  }
  if (pos < s.size()) pieces.emplace_back(s.substr(pos));
  return pieces;
}

Text trim_blanks(const Text& text) {
  const std::string_view s = text.view();
  std::size_t begin = 0;
  std::size_t end = 0;  // one past the last character that is not a blank
  bool leading = true;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = std::min(char_length(s, i), s.size() - i);
    const bool blank = s[i] == ' ' || s.substr(i, len) == "\xA1\xA1";
    if (leading && blank) begin = i + len;
    if (!blank) {
      leading = false;
      end = i + len;
    }
    i += len;
  }
  if (end <= begin) return {};
  return Text(s.substr(begin, end - begin));
}

Text lower_ascii(const Text& text) {
  std::string out(text.str());
  for (std::size_t i = 0; i < out.size();) {
    const unsigned char b = static_cast<unsigned char>(out[i]);
    if (is_lead(b)) {
      i += 2;
    } else {
      out[i] = static_cast<char>(fold(b));
      ++i;
    }
  }
  return Text(std::move(out));
}

// Like atoi, after full-width folding. A number beyond 32 bits saturates at the
// nearest limit, as strtol does, rather than wrapping.
std::int32_t parse_int(const Text& text) {
  const std::string s = fold_full_width(text.view());
  std::size_t i = 0;
  while (i < s.size() && is_c_space(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::int64_t value = 0;
  constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = std::min(value * 10 + (s[i] - '0'), limit);
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min(value, limit - 1));
}

// Like atof, after full-width folding, and always with the full stop as decimal
// point whatever locale the window has set.
double parse_number(const Text& text) {
  static const locale_t c_locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  const std::string s = fold_full_width(text.view());
  if (!c_locale) return 0;
  return strtod_l(s.c_str(), nullptr, c_locale);
}

Text format_int(std::int64_t value) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  return Text(std::string_view(buf, static_cast<std::size_t>(result.ptr - buf)));
}

// "%.13g" in the C locale (to_chars with a precision is defined to match printf).
Text format_number(double value) {
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 13);
  return Text(std::string_view(buf, static_cast<std::size_t>(result.ptr - buf)));
}

Text bytes_to_text(const Bytes& bytes) { return Text(bytes.view()); }

Bytes text_to_bytes(const Text& text) { return Bytes(text.view()); }

Text space_text(Position n) {
  if (n < 1) return {};
  return Text(std::string(static_cast<std::size_t>(n), ' '));
}

Bytes zero_bytes(Position n) {
  if (n <= 0) return {};
  return Bytes(std::string(static_cast<std::size_t>(n), '\0'));
}

Bytes bytes_head(const Bytes& bytes, Position n) {
  if (n < 0) return {};
  return Bytes(bytes.view().substr(0, static_cast<std::size_t>(n)));
}

Position bytes_size(const Bytes& bytes) { return static_cast<Position>(bytes.size()); }

Text char_text(int code) {
  if (code <= 0 || code > 255) return {};
  return Text(std::string(1, static_cast<char>(code)));
}
