#include "image_path_encoder.h"

#include <string>

std::string scramble_image_path(std::string_view path, std::string_view key, char separator,
                                char last) {
  std::string out;
  bool first = true;
  for (char c : path) {
    if (!first) out += separator;
    first = false;
    for (char digit : std::to_string(static_cast<unsigned char>(c))) {
      const auto d = static_cast<std::size_t>(digit - '0');
      out += d < key.size() ? key[d] : digit;
    }
  }
  out += key;
  out += separator;
  // The tail carries nothing but its last character; the filler only has to
  // be deterministic so that pages are reproducible.
  if (last >= 'a' && last <= 'z') {
    const int filler = last - 'a' + 1;
    for (int i = 0; i < filler; ++i) out += static_cast<char>('A' + (i * 7) % 26);
  }
  out += last;
  return out;
}
