#include "sound/linux/alsa_quiet.h"

#include <alsa/asoundlib.h>

namespace sound {
namespace {

void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

// Once, and before any thread that opens a device starts.
void silenceAlsaMessages() {
  static const bool silenced = snd_lib_error_set_handler(ignoreAlsaMessage) == 0;
  (void)silenced;
}

}  // namespace sound
