// How Lirkel's sound streams show in a desktop's mixer.
#pragma once

namespace sound {

// Names every stream opened after it through a PulseAudio-compatible server
// (FluidSynth's and ALSA's alike) as the application Lirkel, playing
// music; a name or role the user has set in the environment stays.
void nameSoundStreams();

}  // namespace sound
