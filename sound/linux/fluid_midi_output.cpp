#include "sound/linux/fluid_midi_output.h"

#include "sound/linux/fluid_engine.h"

namespace sound::fluid {
namespace {

// The synthesizer's own answers are not errors of the output (a note-off for
// a note that has ended, a note on a channel without an instrument), so
// messages always answer that they were sent.
//
// Rendering starts with the first note: an audio driver started earlier
// fills the device's whole buffer with silence at once, and the first note
// would be heard only after it.
class SynthOutput final : public MidiOutput {
 public:
  Failure noteOn(int channel, int note, int velocity) override {
    if (velocity == 0) return noteOff(channel, note, 0);
    fluid().synth_noteon(synth(), channel, note, velocity);
    // A device lost since the open leaves the tune to keep time in silence.
    if (engine().driver == nullptr) startAudio(engine().driverName);
    return {};
  }
  Failure noteOff(int channel, int note, int) override {
    fluid().synth_noteoff(synth(), channel, note);
    return {};
  }
  Failure programChange(int channel, int program) override {
    fluid().synth_program_change(synth(), channel, program);
    return {};
  }
  void allSoundOff() override { fluid().synth_all_sounds_off(synth(), -1); }

 private:
  static const Library& fluid() { return *engine().fluid; }
  static fluid_synth_t* synth() { return engine().synth; }
};

}  // namespace

OpenedMidi openMidiOutput(const char* audioDriver) {
  // The device is opened to know that it opens; it renders from the first note.
  if (Failure failure = startAudio(audioDriver)) return {nullptr, std::move(failure)};
  stopAudio();
  return {std::make_unique<SynthOutput>(), {}};
}

}  // namespace sound::fluid
