#include "sound/linux/fluid_midi_output.h"

#include "sound/choice.h"
#include "sound/linux/fluid_engine.h"
#include "sound/linux/soundfont.h"

namespace sound::fluid {
namespace {

constexpr std::int64_t nsPerMs = 1'000'000;

// Messages go to the renderer, each placed at the time the pacing says it
// is due; they always answer that they were sent. A stream lost since the
// open leaves the tune to keep time in silence.
class SynthOutput final : public MidiOutput {
 public:
  // The last notes sound to their end, with their release.
  ~SynthOutput() override {
    if (Renderer* renderer = engine().renderer.get()) renderer->finish(dueNs_);
  }
  Failure noteOn(int channel, int note, int velocity) override {
    if (velocity == 0) return noteOff(channel, note, 0);
    return send({SoundEvent::Kind::noteOn, channel, note, velocity, 0, 0, dueNs_});
  }
  Failure noteOff(int channel, int note, int) override {
    return send({SoundEvent::Kind::noteOff, channel, note, 0, 0, 0, dueNs_});
  }
  Failure programChange(int channel, int program) override {
    return send({SoundEvent::Kind::programChange, channel, program, 0, 0, 0, dueNs_});
  }
  void allSoundOff() override {
    if (Renderer* renderer = engine().renderer.get()) renderer->stop();
  }
  unsigned leadMs() const override { return engine().way.queueMs; }
  // Also says that nothing due before then is still to come.
  void dueAt(std::int64_t clockMs) override {
    dueNs_ = clockMs * nsPerMs;
    if (Renderer* renderer = engine().renderer.get()) renderer->sentUpTo(dueNs_);
  }

 private:
  Failure send(const SoundEvent& event) {
    if (Renderer* renderer = engine().renderer.get()) renderer->send(event);
    return {};
  }
  std::int64_t dueNs_ = 0;
};

}  // namespace

OpenedMidi openMidiOutput(const StreamWay& way) {
  // Asked for (see synthAsked), the synthesizer is tried even where it
  // cannot play, to say why; a SoundFont the user named that is not there
  // is never replaced by another.
  if (library() == nullptr) return {nullptr, "The synthesizer library FluidSynth is not installed."};
  if (Failure problem = soundFontProblem()) return {nullptr, std::move(problem), soundFontName()};
  if (Failure failure = openAudio(way)) {
    // With its SoundFont loaded, the synthesizer was ready: no stream opened.
    if (engine().fontLoaded) return {nullptr, std::move(failure), choice().device, true};
    return {nullptr, std::move(failure), soundFontName()};
  }
  return {std::make_unique<SynthOutput>(), {}};
}

}  // namespace sound::fluid
