#include "sound/recording.h"

namespace sound {
namespace {

class MidiRecording final : public MidiOutput {
 public:
  MidiRecording(Recording& recording, const Timeline& timeline)
      : recording_(recording), timeline_(timeline) {}

  Failure noteOn(int channel, int note, int velocity) override {
    return add(0x90 | channel, note, velocity);
  }
  Failure noteOff(int channel, int note, int velocity) override {
    return add(0x80 | channel, note, velocity);
  }
  Failure programChange(int channel, int program) override { return add(0xC0 | channel, program, 0); }
  void allSoundOff() override {}  // nothing sounds

 private:
  Failure add(int status, int first, int second) {
    RecordedEvent event;
    event.atMs = timeline_.elapsedMs();
    event.bytes = {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(first & 0x7F),
                   static_cast<std::uint8_t>(second & 0x7F)};
    recording_.push_back(std::move(event));
    return {};
  }

  Recording& recording_;
  const Timeline& timeline_;
};

}  // namespace

std::unique_ptr<MidiOutput> recordMidi(Recording& recording, const Timeline& timeline) {
  return std::make_unique<MidiRecording>(recording, timeline);
}

ToneRecording::ToneRecording(SampleSink& sink) : sink_(sink) {
  sink_.start(ToneGenerator::sampleRate, 1);
}

void ToneRecording::tone(unsigned frequencyHz, unsigned lengthMs) {
  generator_.tone(samples_, frequencyHz, lengthMs);
  handOver();
  elapsedMs_ += lengthMs;
}

void ToneRecording::rest(unsigned lengthMs) {
  generator_.silence(samples_, lengthMs);
  handOver();
  elapsedMs_ += lengthMs;
}

void ToneRecording::handOver() {
  // A file that cannot be written is told by its own record; the tune goes
  // on to its end, as the interpreter cannot be stopped from here.
  sink_.take(samples_);
  samples_.clear();
}

}  // namespace sound
