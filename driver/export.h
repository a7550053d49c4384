// Writing a tune to a file instead of playing it:
//   lirkel --export FILE TEXT...
// The text is resolved as for a normal run (note text, a title, "+", "-");
// FILE ending in .mid or .midi gets a Standard MIDI File of what the MIDI
// variant sends, .wav the sound (the synthesizer's where it can render, else
// the tones). Only one line, naming the file and its playing time, is
// written to standard output; a failure is one line on standard error.
#pragma once

#include <string>
#include <vector>

// The arguments after "--export"; answers the exit status (0 or 1).
int exportTune(const std::vector<std::string>& arguments);
