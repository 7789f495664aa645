// The image path decoder on arbitrary scrambled paths, in one engine for the whole
// run, as the window keeps one: no crash, no zero byte, the same answer twice.
#include <cstdlib>

#include "download/image_path_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScriptEngine engine(ScriptLimits{});
  static const bool installed = install_decoder(engine);
  if (!installed) std::abort();
  const Text scrambled(std::string_view(reinterpret_cast<const char*>(data), size));
  const Text decoded = decode_image_path(engine, scrambled);
  if (decoded.str().find('\0') != std::string::npos) std::abort();
  if (decode_image_path(engine, scrambled) != decoded) std::abort();
  return 0;
}
