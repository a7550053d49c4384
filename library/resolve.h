// Turns the joined argument into the first line to play: keywords (list,
// random, current line, help), a title found by its first five characters,
// or note text left as it is.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text/short_text.h"
#include "library/library_store.h"

// What an argument asks for, told from its keywords alone: the help text and
// the listing are text; everything else is a tune (a title, a library line,
// note text or a MIDI file) and needs sound.
enum class Request { help, listing, tune };
Request requestOf(const ShortText& text);

void resolveArgument(bool echo, ShortText& text, std::uint16_t& foundLine,
                     std::uint16_t& randomLine);
bool titleMatches(const ShortText& title, const ShortText& text);

// How many characters of the argument title search compares.
constexpr std::size_t titleKeyLength = 5;

// The steps of the resolution, over any source of lines.

// The first line, in line order, whose title begins with the argument's
// first five characters, both upper-cased; 0 when there is none.
std::uint16_t findTitle(const ShortText& argument, LineSource line);
// A line chosen at random, each as likely as any other, walked back to the
// nearest line at or before it that holds a double quote (or to line 1).
std::uint16_t randomSongLine(std::uint64_t seed, LineSource line);
