// A page of the comic site as clean code page 936 text, ready for the markers.
#pragma once

#include "text/text.h"

// Requests `address`, converts the UTF-8 body to code page 936 and removes every
// CR LF, space, tab and the site's name that it appends to titles, so that the
// markers can be written without blanks.
Text fetch_page_text(const Text& address);

// The cleaning alone, for a body that has already arrived.
Text clean_page_text(const Bytes& body);
