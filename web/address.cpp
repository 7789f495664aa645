#include "web/address.h"

#include "text/markers.h"
#include "text/primitives.h"

Text host_of(const Text& address, bool keep_port) {
  Text lowered = lower_ascii(address);
  if (right_part(lowered, 1) != "/") lowered += "/";

  Text host_part;
  if (left_part(lowered, 8) == "https://") {
    host_part = text_between(lowered, "https://", "/");
  } else {
    // An address without a scheme is an http address. Note that the test looks for
    // "http://" anywhere, so a scheme-less address carrying one later keeps its quirk.
    if (find_in_text(lowered, "http://") == -1) lowered = "http://" + lowered;
    host_part = text_between(lowered, "http://", "/");
  }
  if (keep_port) return host_part;

  const Position colon = find_in_text(host_part, ":");
  return colon == -1 ? host_part : left_part(host_part, colon - 1);
}

std::int32_t port_of(const Text& address) {
  const Text host_part = host_of(address, true);
  const Position colon = find_last_in_text(host_part, ":");
  if (colon != -1) {
    const Text port_text = middle_part(host_part, colon + 1, byte_count(host_part));
    // Only a text that begins with a digit counts: parse_int would also take a sign,
    // leading blanks or full-width digits.
    if (port_text.empty() || port_text.byte(0) < '0' || port_text.byte(0) > '9') return 0;
    return parse_int(port_text);
  }
  return left_part(lower_ascii(address), 5) == "https" ? 443 : 80;
}

Text path_of(const Text& address) {
  const Position host_at = find_in_text(address, host_of(address), 1, true);
  const Position slash = find_in_text(address, "/", host_at == -1 ? 1 : host_at);
  if (slash == -1) return "/";
  return middle_part(address, slash, byte_count(address));
}
