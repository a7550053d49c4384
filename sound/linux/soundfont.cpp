// Where the General MIDI SoundFont is found. The system's root is a build
// setting so that tests can build a program that finds none.
#include "sound/linux/soundfont.h"

#include "sound/linux/fluid_engine.h"
#include "text/codepage.h"

#ifndef LIRKEL_SOUNDFONT_ROOT
#define LIRKEL_SOUNDFONT_ROOT "/usr/share/sounds"
#endif

namespace sound::fluid {

const FontSearch& soundFontSearch() {
  // Looked for once a run: the preference table, the synthesizer and the
  // check ask, after the choice is made.
  static const FontSearch search = searchSoundFont(choice(), LIRKEL_SOUNDFONT_ROOT);
  return search;
}

Failure soundFontProblem() {
  if (const char* problem = soundFontSearch().problem) return problem;
  return {};
}

const std::string& soundFontName() { return soundFontSearch().font; }

std::string generalMidiSoundFont() {
  static const std::string font = cp1252::cp1252ToUtf8(soundFontSearch().font);
  return font;
}

}  // namespace sound::fluid
