// Chinese literals in code page 936.
//
// Our sources are UTF-8; "漫画名："_gbk converts the literal once, at first use,
// and hands out the cached Text afterwards.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "text/codepage.h"

template <std::size_t N>
struct Utf8Literal {
  constexpr Utf8Literal(const char (&s)[N]) { std::copy_n(s, N, chars); }  // NOLINT
  char chars[N];
  constexpr std::string_view view() const { return {chars, N - 1}; }
};

template <Utf8Literal S>
const Text& operator""_gbk() {
  static const Text converted = utf8_view_to_local(S.view());
  return converted;
}
