// Lets GoogleTest show a Text as its bytes in failure messages.
#pragma once

#include <ostream>

#include "text/text.h"

inline void PrintTo(const Text& text, std::ostream* os) { *os << '"' << text.str() << '"'; }
