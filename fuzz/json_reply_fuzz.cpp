// An update reply as the start-up check reads it: parse, then the three members.
// Hostile replies must end within the engine's budget and cap, never crash.
#include "script/json_object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Text reply(std::string_view(reinterpret_cast<const char*>(data), size));
  JsonObject json;
  if (json.parse(reply)) {
    json.get_json("ver");
    json.get_json("notice");
    json.get_json("url");
  }
  return 0;
}
