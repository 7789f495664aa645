// Code page conversion. The only unit that talks to ICU.
//
// Wide text is UTF-16LE in Bytes, terminator unit included (empty Bytes for an
// empty text). Nothing here stops at bad input: invalid sequences become the
// converter's substitute, and the result never holds a zero byte.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

// Platform code page numbers.
inline constexpr int kCodePageAnsi = 0;  // this system's ANSI code page is 936
inline constexpr int kCodePage936 = 936;
inline constexpr int kCodePageUtf8 = 65001;

Bytes multibyte_to_wide(const Text& text, int source_code_page = kCodePageUtf8);
Text wide_to_multibyte(const Bytes& wide, int target_code_page = kCodePageAnsi);
Text utf8_to_local(const Text& text);

// Edge conversions for the other layers, so that none of them needs ICU.
std::string local_to_utf8(const Text& text);
Text utf8_view_to_local(std::string_view utf8);  // a UTF-8 buffer that is not a Text
std::u16string local_to_utf16(const Text& text);
Text utf16_to_local(std::u16string_view utf16);
std::string local_to_cesu8(const Text& text);
Text cesu8_to_local(std::string_view cesu8);
