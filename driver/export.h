// Writing a tune to a file instead of playing it:
//   lirkel --export FILE TUNE...
// The text is resolved as for a normal run (note text, a title, "+", "-");
// FILE ending in .mid or .midi gets a Standard MIDI File of what the MIDI
// variant sends, .wav the sound (the synthesizer's where it can render, else
// the tones). Only one line, naming the file and its playing time, is
// written to standard output; a failure is one line on standard error.
#pragma once

#include <string>
#include <vector>

// Answers the exit status: 0, 1 when the file cannot be made, 2 when the
// file name or the tune is missing.
int exportTune(const std::string& path, const std::vector<std::string>& tuneArguments);
