// Listing items between arbitrary markers in arbitrary sources.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "text/extraction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  ExtractOptions options;
  options.max_length = static_cast<Position>(input.small()) - 1;
  options.include_left = input.flag();
  options.include_right = input.flag();
  const Text left(input.piece());
  const Text right(input.piece());
  const Text source(input.rest());

  TextList items{"stale"};
  const int count = extract_all_between(source, left, right, items, options);
  if (count != static_cast<int>(items.size())) std::abort();
  for (const Text& item : items) {
    if (options.max_length > 0 && !options.include_left && !options.include_right &&
        static_cast<Position>(item.size()) > options.max_length)
      std::abort();
  }
  escape_pattern(source);
  return 0;
}
