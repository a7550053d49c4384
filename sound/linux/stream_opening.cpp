#include "sound/linux/stream_opening.h"

#include "sound/linux/alsa_quiet.h"
#include "sound/linux/stream_names.h"
#include "sound/linux/system_clock.h"

namespace sound {

StreamShape streamShape(const char* name, const RenderShape& render) {
  return {name, render.sampleRate, render.channels, render.queueMs, render.chunkFrames};
}

std::unique_ptr<GuardedStream> startOpening(const StreamWay& way, const StreamShape& shape) {
  // Set here, before the guard's thread could read them: alsa-lib's
  // messages kept off the terminal, and the names a sound server shows
  // (also for a "default" ALSA device that leads to one).
  silenceAlsaMessages();
  nameSoundStreams();
  return std::make_unique<GuardedStream>(systemClock(), way.open, shape);
}

}  // namespace sound
