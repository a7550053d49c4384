// Tones through the system's Beep; always opens.
#pragma once

#include <memory>

#include "sound/tone_output.h"

namespace sound::beep {

std::unique_ptr<ToneOutput> openTones();

}  // namespace sound::beep
