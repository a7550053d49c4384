// Where the synthesizer's SoundFont is looked for: the one the user named
// (and then no other), else the first in the user's own folders
// ($XDG_DATA_HOME/soundfonts, ~/.local/share/soundfonts, ~/.sounds/sf2),
// else the system's General MIDI font. Through the platform's files, so
// the tests search a scripted machine.
#pragma once

#include <string>
#include <vector>

#include "sound/choice.h"

namespace sound {

// One place looked at, as the search went: a folder or a file, and the
// font found there (or nothing). Windows-1252, like every platform path.
struct FontPlace {
  std::string where;
  std::string found;
};

struct FontSearch {
  std::vector<FontPlace> tried;  // in order, up to the one where a font was found
  std::string font;              // the one to load; empty when there is none
  bool named = false;            // the user's: nothing else takes its place
  // What is wrong with a named font that is not there (a sentence), or null;
  // one that cannot be loaded is found out by loading it.
  const char* problem = nullptr;
};

// `systemRoot` holds the system's sf2/ and sf3/ folders (/usr/share/sounds).
FontSearch searchSoundFont(const Choice& chosen, const std::string& systemRoot);

}  // namespace sound
