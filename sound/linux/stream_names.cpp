#include "sound/linux/stream_names.h"

#include <cstdlib>

namespace sound {

void nameSoundStreams() {
  // libpulse reads this when a client connects and puts it over what the
  // client (FluidSynth, ALSA's pulse plugin) names itself.
  setenv("PULSE_PROP_OVERRIDE", "application.name=Lirkel media.role=music", 0);
}

}  // namespace sound
