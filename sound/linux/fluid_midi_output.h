// The synthesizer as the program's MIDI output.
#pragma once

#include "sound/back_ends.h"
#include "sound/linux/sample_stream.h"

namespace sound::fluid {

// The MIDI output, rendering into a stream opened by `open`.
OpenedMidi openMidiOutput(StreamOpener open);

}  // namespace sound::fluid
