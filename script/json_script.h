// The script text that every JsonObject engine loads before its first document.
//
// Three parts: get__count, a JSON reader and writer for engines that have none
// (Duktape has a native one, so that part stays dormant here), and the two
// enumerable members toJSONString and parseJSON on Object.prototype, which every
// for-in loop therefore yields besides an object's own members.
#pragma once

#include "text/text.h"

const Text& json_script();
