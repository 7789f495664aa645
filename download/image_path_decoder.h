// Unscrambles the image path that every page of a chapter carries.
#pragma once

#include "script/script_engine.h"
#include "text/text.h"

// Adds the routine "kq" to the engine; adding it again defines the same function again.
bool install_decoder(ScriptEngine& engine);

// Runs "kq" on the scrambled path. The result ends before the first character of
// code 0; it is empty when the run fails.
Text decode_image_path(ScriptEngine& engine, const Text& scrambled_path);
