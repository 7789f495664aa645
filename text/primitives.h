// Byte-level operations on Text and Bytes that every layer searches, cuts and
// converts with.
//
// Positions count bytes from 1; a search that finds nothing gives -1, a cut out
// of range gives the empty text. Searches walk code page 936 character by
// character (a byte from 0x80 up begins a two-byte character), so a match never
// begins on a trail byte. Ignoring case folds only the ASCII letters.
#pragma once

#include <cstdint>
#include <optional>

#include "text/text.h"

// A byte position (from 1) or a length in bytes. Signed, so that -1 can say "not found".
using Position = std::int64_t;

Position find_in_text(const Text& text, const Text& sought, Position start = 1,
                      bool ignore_case = false);
Position find_last_in_text(const Text& text, const Text& sought, bool ignore_case = false);
Position byte_count(const Text& text);

Text left_part(const Text& text, Position n);
Text right_part(const Text& text, Position n);
Text middle_part(const Text& text, Position start, Position n);

// count: at most this many replacements; left out means every occurrence.
Text substitute(const Text& text, const Text& sought, const Text& replacement = {},
                Position start = 1, std::optional<Position> count = std::nullopt,
                bool case_sensitive = false);
TextList split_by(const Text& text, const Text& separator);
Text trim_blanks(const Text& text);
Text lower_ascii(const Text& text);

std::int32_t parse_int(const Text& text);
double parse_number(const Text& text);
Text format_int(std::int64_t value);
Text format_number(double value);

Text bytes_to_text(const Bytes& bytes);
Bytes text_to_bytes(const Text& text);
Text space_text(Position n);
Bytes zero_bytes(Position n);
Bytes bytes_head(const Bytes& bytes, Position n);
Position bytes_size(const Bytes& bytes);
Text char_text(int code);
