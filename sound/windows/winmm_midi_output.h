// MIDI output through the system's MIDI mapper (winmm).
#pragma once

#include "sound/back_ends.h"

namespace sound::winmm {

// At least one MIDI output device exists (the mapper is not counted).
bool hasMidiDevice();
// Null when one does; else why the mapper is not tried.
const char* noMidiDevice();
unsigned midiDeviceCount();
OpenedMidi openMapper();

}  // namespace sound::winmm
