// The note language and its interpreter, in a speaker and a MIDI variant.
#pragma once

#include <cstdint>
#include <string_view>

#include "sound/tone_output.h"
#include "text/short_text.h"

unsigned char playNotationSpeaker(bool echo, ShortText argument);
unsigned char playNotationMidi(bool echo, ShortText argument);

// Where a tune's title and lyrics are written down as it plays: an export
// keeps them with their times.
class TextTrack {
 public:
  virtual ~TextTrack() = default;
  virtual void title(std::string_view text) = 0;  // without its quotes
  // As the screen shows it: with the blank after it, and the line end ("\n")
  // after a lyric whose final "." ends the output line.
  virtual void lyric(std::string_view text) = 0;
};

// Plays a resolved tune (a library line and its continuation values, or
// note text) to be written down rather than heard: through the speaker when
// one is given, else through the MIDI connection; nothing goes to the
// screen, titles and lyrics go to the track, and no key stops it.
void recordNotation(ShortText text, std::uint16_t foundLine, std::uint16_t randomLine,
                    sound::ToneOutput* speaker, TextTrack& track);
