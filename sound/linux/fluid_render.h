// A recording of MIDI messages rendered by FluidSynth without any audio
// device, as fast as the machine allows.
#pragma once

#include "sound/back_ends.h"

namespace sound::fluid {

Failure render(const Recording& recording, std::int64_t endMs, RenderedSound& sound);

}  // namespace sound::fluid
