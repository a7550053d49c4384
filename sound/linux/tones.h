// Tones on Linux: the tone generator, rendered into a sample stream (a sound
// server's or ALSA's) by the renderer, each tone placed at its time.
#pragma once

#include <memory>

#include "sound/linux/stream_opening.h"
#include "sound/tone_output.h"

namespace sound {

// The stream begins opening; whether it did, see ToneOutput::opened().
std::unique_ptr<ToneOutput> openStreamTones(const StreamWay& way);
// Ends the tones still sounding at once, with a short fade: the run ends.
void stopStreamTones();

}  // namespace sound
