#include "sound/linux/fluid_source.h"

namespace sound::fluid {

void SynthSource::render(std::int16_t* frames, std::size_t count) {
  fluid_.synth_write_s16(synth_, static_cast<int>(count), frames, 0, 2, frames, 1, 2);
}

// The synthesizer's own answers are not errors of the tune (a note-off for
// a note that has ended, a note on a channel without an instrument).
void SynthSource::apply(const SoundEvent& event) {
  switch (event.kind) {
    case SoundEvent::Kind::noteOn:
      if (voices_ < fullVoices &&
          fluid_.synth_get_active_voice_count(synth_) + spareVoices > voices_) {
        useFullVoices();
      }
      fluid_.synth_noteon(synth_, event.channel, event.key, event.velocity);
      break;
    case SoundEvent::Kind::noteOff:
      fluid_.synth_noteoff(synth_, event.channel, event.key);
      break;
    case SoundEvent::Kind::programChange:
      fluid_.synth_program_change(synth_, event.channel, event.key);
      break;
    case SoundEvent::Kind::tone:
      break;
  }
}

void SynthSource::useFullVoices() {
  if (voices_ < fullVoices && fluid_.synth_set_polyphony(synth_, fullVoices) == FLUID_OK) {
    voices_ = fullVoices;
  }
}

void SynthSource::silence() { fluid_.synth_all_sounds_off(synth_, -1); }

}  // namespace sound::fluid
