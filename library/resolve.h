// Turns the joined argument into the first line to play: keywords (list,
// random, current line, help), a title found by its first five characters,
// or note text left as it is.
#pragma once

#include <cstdint>

#include "console/short_text.h"

void resolveArgument(bool echo, ShortText& text, std::uint16_t& foundLine,
                     std::uint16_t& randomLine);
bool titleMatches(const ShortText& title, const ShortText& text);
void showHelp();
