// A recording of MIDI messages rendered by FluidSynth without any audio
// device, as fast as the machine allows, a block at a time into the sink.
#pragma once

#include "sound/back_ends.h"

namespace sound::fluid {

// A failure is about the SoundFont (named in `about`) when it is.
Failure render(const Recording& recording, std::int64_t endMs, SampleSink& sink,
               std::string& about);

}  // namespace sound::fluid
