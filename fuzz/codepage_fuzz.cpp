// Code page conversion of arbitrary bytes: never a zero byte inside a Text, plain
// ASCII unchanged, and CP936 that came from Unicode survives the way back.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "text/codepage.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool no_zero(const Text& text) { return text.str().find('\0') == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Text raw(std::string_view(reinterpret_cast<const char*>(data), size));

  const Text local = utf8_to_local(raw);
  check(no_zero(local));
  bool ascii = true;
  for (char c : raw.str()) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) check(local == raw);

  // What the converter produced is valid CP936 and comes back unchanged.
  check(utf16_to_local(local_to_utf16(local)) == local);
  check(cesu8_to_local(local_to_cesu8(local)) == local);
  check(utf8_view_to_local(local_to_utf8(local)) == local);

  check(no_zero(wide_to_multibyte(multibyte_to_wide(raw, kCodePage936))));
  check(no_zero(wide_to_multibyte(Bytes(raw.view()), kCodePageUtf8)));
  check(no_zero(cesu8_to_local(raw.view())));
  return 0;
}
