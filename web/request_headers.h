// The agent text and the default header lines every request carries.
//
// A header block is a Text of "Name: value" lines separated by CRLF, with no CRLF after
// the last line.
#pragma once

#include "text/text.h"

// The agent a request announces when its header block names none.
inline constexpr const char* default_user_agent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The agent text for a request with this caller's header block: the value of its
// User-Agent line, or the default when the block names none.
Text user_agent_for(const Text& headers);

// Adds, in this order and each only when the block lacks it (an exact, case-sensitive
// search of the whole block): Accept, Referer (the address as given), Accept-Language,
// for method 1 (POST) a form Content-Type; then a Cookie line when cookies is not empty.
void complete_headers(Text& headers, const Text& address, int method, const Text& cookies);
