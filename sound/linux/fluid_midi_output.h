// The synthesizer as the program's MIDI output.
#pragma once

#include "sound/back_ends.h"
#include "sound/linux/stream_opening.h"

namespace sound::fluid {

// The MIDI output, rendering into a stream opened that way.
OpenedMidi openMidiOutput(const StreamWay& way);

}  // namespace sound::fluid
