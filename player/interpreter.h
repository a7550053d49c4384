// The note language and its interpreter, in a speaker and a MIDI variant.
#pragma once

#include "text/short_text.h"

unsigned char playNotationSpeaker(bool echo, ShortText argument);
unsigned char playNotationMidi(bool echo, ShortText argument);
