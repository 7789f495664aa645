// Cutting an address into the host to connect to, its port and the path to request.
//
// Addresses come with "http://", with "https://" in any letter case, or with no scheme
// (then http). Nothing is decoded; a malformed address gives malformed pieces and the
// request made from them fails.
#pragma once

#include <cstdint>

#include "text/text.h"

// The host in lower case; with keep_port, followed by its colon and port as written.
Text host_of(const Text& address, bool keep_port = false);

// The number after the host part's last colon (0 when that text does not begin with a
// digit); without a colon 443 when the address begins with "https", else 80.
std::int32_t port_of(const Text& address);

// Everything from the first "/" after the host to the end, query included, in the letter
// case the caller used; "/" when there is none.
Text path_of(const Text& address);
