// Tones through ALSA's "default" device.
#pragma once

#include <memory>

#include "sound/tone_output.h"

namespace sound::alsa {

// Null when no device opens.
std::unique_ptr<ToneOutput> openTones();

}  // namespace sound::alsa
