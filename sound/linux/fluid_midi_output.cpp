#include "sound/linux/fluid_midi_output.h"

#include "sound/linux/fluid_engine.h"

namespace sound::fluid {
namespace {

// Messages go to the synthesizer's renderer, each placed at the time the
// pacing says it is due. The synthesizer's own answers are not errors of the
// output (a note-off for a note that has ended, a note on a channel without
// an instrument), so messages always answer that they were sent. A stream
// lost since the open leaves the tune to keep time in silence.
class SynthOutput final : public MidiOutput {
 public:
  // The last notes sound to their end before the output is gone.
  ~SynthOutput() override {
    if (SynthPump* pump = engine().pump.get()) pump->finish();
  }
  Failure noteOn(int channel, int note, int velocity) override {
    if (velocity == 0) return noteOff(channel, note, 0);
    return send({SynthMessage::Kind::noteOn, channel, note, velocity, dueNs_});
  }
  Failure noteOff(int channel, int note, int) override {
    return send({SynthMessage::Kind::noteOff, channel, note, 0, dueNs_});
  }
  Failure programChange(int channel, int program) override {
    return send({SynthMessage::Kind::programChange, channel, program, 0, dueNs_});
  }
  void allSoundOff() override { send({SynthMessage::Kind::allSoundOff, 0, 0, 0, dueNs_}); }
  unsigned leadMs() const override { return SynthPump::queueMs; }
  void dueAt(std::int64_t clockMs) override { dueNs_ = clockMs * 1'000'000; }

 private:
  static Failure send(const SynthMessage& message) {
    if (SynthPump* pump = engine().pump.get()) pump->send(message);
    return {};
  }
  std::int64_t dueNs_ = 0;
};

}  // namespace

OpenedMidi openMidiOutput(StreamOpener open) {
  if (Failure failure = openAudio(open)) return {nullptr, std::move(failure)};
  return {std::make_unique<SynthOutput>(), {}};
}

}  // namespace sound::fluid
