// The song library: 636 numbered lines of note text compiled into the
// program. A song runs from its title line to the line with its end mark.
#pragma once

#include <cstdint>

#include "text/short_text.h"

constexpr std::int32_t libraryLineCount = 636;

// The text of a library line; the empty text for 0, for numbers above the
// last line and for lines without text.
ShortText libraryLine(std::uint16_t number);

// Where the title walk and the library check read lines: the library
// itself, or a made-up one in a test.
using LineSource = ShortText (*)(std::uint16_t number);
