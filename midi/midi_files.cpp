#include "midi/midi_files.h"

// Placeholder until MIDI-file playback lands.
unsigned char tryMidiFiles(ShortText) { return 255; }
