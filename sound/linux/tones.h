// Tones on Linux: the tone generator, rendered into a sample stream (a sound
// server's or ALSA's) by the renderer, each tone placed at its time.
#pragma once

#include <memory>

#include "sound/linux/stream_opening.h"
#include "sound/tone_output.h"

namespace sound {

// What plays when the stream does not open.
enum class Fallback {
  next,     // the next entry of the preference table: null is answered
  silence,  // silence in time: no wait for the opening, the first tone waits behind it
};

std::unique_ptr<ToneOutput> openStreamTones(const StreamWay& way, Fallback fallback);
// Ends the tones still sounding at once, with a short fade: the run ends.
void stopStreamTones();

}  // namespace sound
