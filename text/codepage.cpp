#include "text/codepage.h"

#include <unicode/ucnv.h>

#include <memory>
#include <string>

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

const char* converter_name(int code_page) {
  switch (code_page) {
    case kCodePageAnsi:
    case kCodePage936:
      return "windows-936-2000";  // the exact Windows table; substitutes instead of stopping
    case kCodePageUtf8:
      return "UTF-8";
    case 1200:
      return "UTF-16LE";
    case 20127:
      return "US-ASCII";
    case 28591:
      return "ISO-8859-1";
    default:
      return nullptr;
  }
}

// One converter of each kind per thread, opened at first use. Null when ICU lacks it.
UConverter* converter(const char* name) {
  thread_local Converter gbk, utf8, cesu8, other;
  thread_local std::string other_name;
  const std::string_view n(name);
  Converter* slot = n == "windows-936-2000" ? &gbk
                    : n == "UTF-8"          ? &utf8
                    : n == "CESU-8"         ? &cesu8
                                            : &other;
  if (slot == &other && other_name != n) {
    other.reset();
    other_name = n;
  }
  if (!*slot) {
    UErrorCode error = U_ZERO_ERROR;
    slot->reset(ucnv_open(name, &error));
    if (U_FAILURE(error)) slot->reset();
  }
  return slot->get();
}

// Whole-buffer conversions with ICU's streaming calls, which take pointers rather
// than 32-bit lengths, so no input is too long. Bad input becomes the converter's
// substitute and the conversion goes on.
std::u16string decode(const char* name, std::string_view in) {
  UConverter* cnv = converter(name);
  if (!cnv || in.empty()) return {};
  ucnv_resetToUnicode(cnv);
  std::u16string out(in.size() + 16, u'\0');
  const char* src = in.data();
  const char* const src_end = in.data() + in.size();
  std::size_t used = 0;
  for (;;) {
    UChar* target = out.data() + used;
    UErrorCode error = U_ZERO_ERROR;
    ucnv_toUnicode(cnv, &target, out.data() + out.size(), &src, src_end, nullptr, true, &error);
    used = static_cast<std::size_t>(target - out.data());
    if (error != U_BUFFER_OVERFLOW_ERROR) break;
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return out;
}

std::string encode(const char* name, std::u16string_view in) {
  UConverter* cnv = converter(name);
  if (!cnv || in.empty()) return {};
  ucnv_resetFromUnicode(cnv);
  std::string out(in.size() * 3 + 16, '\0');
  const UChar* src = in.data();
  const UChar* const src_end = in.data() + in.size();
  std::size_t used = 0;
  for (;;) {
    char* target = out.data() + used;
    UErrorCode error = U_ZERO_ERROR;
    ucnv_fromUnicode(cnv, &target, out.data() + out.size(), &src, src_end, nullptr, true, &error);
    used = static_cast<std::size_t>(target - out.data());
    if (error != U_BUFFER_OVERFLOW_ERROR) break;
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return out;
}

// A wide text ends at its first zero unit; an odd last byte is no unit.
std::u16string units_of(const Bytes& wide) {
  std::u16string units;
  units.reserve(wide.size() / 2);
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    const char16_t unit =
        static_cast<char16_t>(static_cast<unsigned char>(wide.data()[i]) |
                              static_cast<unsigned char>(wide.data()[i + 1]) << 8);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

constexpr const char* kLocal = "windows-936-2000";

}  // namespace

Bytes multibyte_to_wide(const Text& text, int source_code_page) {
  const char* name = converter_name(source_code_page);
  if (!name) return {};
  const std::u16string units = decode(name, text.view());
  std::string out;
  out.reserve(units.size() * 2 + 2);
  for (char16_t unit : units) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  out.append(2, '\0');  // the terminating unit
  return Bytes(std::move(out));
}

Text wide_to_multibyte(const Bytes& wide, int target_code_page) {
  const char* name = converter_name(target_code_page);
  if (!name) return {};
  return Text(encode(name, units_of(wide)));
}

Text utf8_to_local(const Text& text) { return utf8_view_to_local(text.view()); }

std::string local_to_utf8(const Text& text) { return encode("UTF-8", decode(kLocal, text.view())); }

Text utf8_view_to_local(std::string_view utf8) {
  return Text(encode(kLocal, decode("UTF-8", utf8)));
}

std::u16string local_to_utf16(const Text& text) { return decode(kLocal, text.view()); }

Text utf16_to_local(std::u16string_view utf16) {
  return Text(encode(kLocal, utf16.substr(0, utf16.find(u'\0'))));
}

std::string local_to_cesu8(const Text& text) {
  return encode("CESU-8", decode(kLocal, text.view()));
}

Text cesu8_to_local(std::string_view cesu8) {
  return Text(encode(kLocal, decode("CESU-8", cesu8)));
}
