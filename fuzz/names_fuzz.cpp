// Names from the site and the address: whatever a chapter title or comic id holds,
// the path built from it stays one level inside its parent directory.
#include <cstdlib>
#include <filesystem>

#include "download/output_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Text name(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::filesystem::path level = safe_name(name);
  const std::string& native = level.native();
  if (native.find('/') != std::string::npos || native == "." || native == ".." ||
      native.size() > 255)
    std::abort();
  const std::filesystem::path comic = "/run/34058";
  const std::filesystem::path built = (comic / level / "1.jpg").lexically_normal();
  const std::filesystem::path parent = native.empty() ? comic : comic / level;
  if (built.parent_path() != parent.lexically_normal()) std::abort();
  native_path(name);
  return 0;
}
