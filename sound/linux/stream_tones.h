// Tones on Linux, through a sample stream (a sound server's or ALSA's).
#pragma once

#include <memory>

#include "sound/linux/sample_stream.h"
#include "sound/tone_output.h"

namespace sound {

// Null when no stream opens.
std::unique_ptr<ToneOutput> openStreamTones(StreamOpener open);

}  // namespace sound
