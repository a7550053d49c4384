// Keeps alsa-lib's own messages ("ALSA lib ...") off the user's terminal;
// the program reports failures in its own words.
#pragma once

namespace sound {

void silenceAlsaMessages();

}  // namespace sound
