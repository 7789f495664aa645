// Scrambles an image path the way the comic site writes it into a page, so that
// tests and the sample comic site can produce what the decoder undoes.
//
// Layout of the result: body, key, separator, tail. The body holds the decimal
// code of every character of path, the pieces joined by separator, each digit d
// written as key[d]. The tail ends with last: a small letter gives a tail of
// (its place in the alphabet + 1) characters, any other character a tail of one.
//
// Preconditions: path is ASCII; key holds 10 distinct characters; separator is
// one character that is neither a digit nor in key. The decoder replaces the key
// characters as one-character regular expressions in key order, so for a result
// it can undo, key holds letters and digits only, and a digit k in key stands at a
// position no greater than k (the digits key "0123456789" is fine).
#pragma once

#include <string>
#include <string_view>

std::string scramble_image_path(std::string_view path, std::string_view key, char separator,
                                char last);
