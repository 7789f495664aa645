// Cookie harvest and merge over arbitrary header blocks and cookie texts.
#include <cstdlib>
#include <set>

#include "fuzz/fuzz_input.h"
#include "text/primitives.h"
#include "web/cookies.h"

namespace {
void check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const Text older(input.piece());
  const Text headers(input.rest());

  const Text harvested = harvest_cookies(headers);
  const Text merged = merge_cookies(older, harvested);

  // The merge keeps no deleted pair, no empty pair and no exact repeat, never ends
  // in a separator, and is settled: deduplicating its result again changes nothing.
  // A lead byte at the end of a pair takes the next separator's ";" as its trail
  // byte, so the pairs of such a text split differently; real cookies are ASCII.
  for (char c : merged.str()) {
    if (static_cast<unsigned char>(c) >= 0x80) return 0;
  }
  std::set<std::string> seen;
  for (const Text& pair : split_by(merged, "; ")) {
    check(right_part(pair, 8) != Text("=deleted"));
    check(!pair.empty());
    check(seen.insert(pair.str()).second);
  }
  check(right_part(merged, 2) != Text("; "));
  check(dedupe_items(merged, "; ") == merged);
  cookie_name(older);
  return 0;
}
