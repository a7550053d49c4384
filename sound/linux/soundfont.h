// The synthesizer's SoundFont on this machine: searched for once a run
// (sound/soundfont_search.h), below the system's root of SoundFonts, which
// is a build setting so that tests can build a program that finds none.
#pragma once

#include <string>

#include "sound/failure.h"
#include "sound/soundfont_search.h"

namespace sound::fluid {

const FontSearch& soundFontSearch();
// What is wrong with a SoundFont the user named, before it is loaded; with
// the font's name to say it with.
Failure soundFontProblem();
// The font's name as the messages show it (Windows-1252).
const std::string& soundFontName();

}  // namespace sound::fluid
