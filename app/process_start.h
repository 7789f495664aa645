// Starting another program. The only unit that creates processes.
#pragma once

#include <string>
#include <vector>

#include "text/text.h"

// Starts `arguments[0]` (looked up in PATH) with the arguments exactly as given:
// no shell sees them. Does not wait for the program. False when it could not start.
bool start_program(const std::vector<std::string>& arguments);

// Opens an address in the user's browser (xdg-open), the address as one argument.
bool open_address(const Text& address);
