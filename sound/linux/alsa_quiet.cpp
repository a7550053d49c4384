#include "sound/linux/alsa_quiet.h"

#include <alsa/asoundlib.h>

namespace sound {
namespace {

void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void silenceAlsaMessages() { snd_lib_error_set_handler(ignoreAlsaMessage); }

}  // namespace sound
