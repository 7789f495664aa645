// Address splitting never fails: whatever the address, the pieces keep their shape.
#include <cstdlib>

#include "text/primitives.h"
#include "web/address.h"

namespace {
void check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Text address(std::string_view(reinterpret_cast<const char*>(data), size));
  const Text host = host_of(address);
  const Text host_and_port = host_of(address, true);
  check(host == lower_ascii(host));
  check(find_in_text(host, ":") == -1);
  check(find_in_text(host, "/") == -1);
  check(find_in_text(host_and_port, host) == 1 || host.empty());
  const Text path = path_of(address);
  check(!path.empty() && path.str().front() == '/');
  port_of(address);
  return 0;
}
