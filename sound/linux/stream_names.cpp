#include "sound/linux/stream_names.h"

#include <cstdlib>

namespace sound {

void nameSoundStreams() {
  // libpulse reads this when a client connects and puts it over what the
  // client (FluidSynth, ALSA's pulse plugin) names itself. Set once, before
  // the threads that open streams start: after that, only read.
  static const bool named = [] {
    return setenv("PULSE_PROP_OVERRIDE", "application.name=Lirkel media.role=music", 0) == 0;
  }();
  (void)named;
}

}  // namespace sound
