// Cutting and cleaning with arbitrary markers: the cut is always a piece of the source.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "text/markers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const bool ignore_case = input.flag();
  const Position start = static_cast<Position>(input.small()) - 2;
  const Text left(input.piece());
  const Text right(input.piece());
  const Text replacement(input.piece());
  const Text source(input.rest());

  const Text between = text_between(source, left, right, start, ignore_case);
  if (source.str().find(between.str()) == std::string::npos) std::abort();

  const Text cleaned = replace_text(source, {{left, replacement}, {right, ""}},
                                    {.start = start, .case_sensitive = !ignore_case});
  // Bytes before the start are never changed.
  const std::size_t kept = start < 1 ? 0 : std::min<std::size_t>(start - 1, source.size());
  if (cleaned.str().compare(0, kept, source.str(), 0, kept) != 0) std::abort();
  return 0;
}
