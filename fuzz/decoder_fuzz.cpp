// The image path decoder on arbitrary scrambled paths, in one engine for the whole
// run, as the window keeps one: no crash, no zero byte, the same answer twice.
#include <chrono>
#include <cstdlib>

#include "download/image_path_decoder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr ScriptLimits kLimits{};

// A key of "|" characters doubles the body with every replacement, so a short path
// can take the whole time budget; a call that did so may give the empty text.
bool ran_out_of_time(Clock::duration taken) { return taken >= kLimits.time_budget; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScriptEngine engine(kLimits);
  static const bool installed = install_decoder(engine);
  if (!installed) std::abort();
  const Text scrambled(std::string_view(reinterpret_cast<const char*>(data), size));

  Clock::time_point begin = Clock::now();
  const Text decoded = decode_image_path(engine, scrambled);
  const Clock::duration first = Clock::now() - begin;
  if (decoded.str().find('\0') != std::string::npos) std::abort();

  begin = Clock::now();
  const Text again = decode_image_path(engine, scrambled);
  const Clock::duration second = Clock::now() - begin;
  if (again != decoded) {
    const bool first_cut = decoded.empty() && ran_out_of_time(first);
    const bool second_cut = again.empty() && ran_out_of_time(second);
    if (!first_cut && !second_cut) std::abort();
  }
  return 0;
}
