// A tune written down instead of sounded: every MIDI message with the time
// it was sent, the title and the lyrics with the time they were shown, or
// the samples of its tones. The export writes a recording to a file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/midi_output.h"
#include "sound/timeline.h"
#include "sound/tone_generator.h"
#include "sound/tone_output.h"

namespace sound {

struct RecordedEvent {
  enum class Kind { message, title, lyric };
  std::int64_t atMs = 0;
  Kind kind = Kind::message;
  std::array<std::uint8_t, 3> bytes{};  // status, first and second data byte
  std::string text;                     // Windows-1252
};

using Recording = std::vector<RecordedEvent>;

// A MIDI output that adds every message to the recording at the time the
// timeline has reached; it never fails.
std::unique_ptr<MidiOutput> recordMidi(Recording& recording, const Timeline& timeline);

// Where samples go as they are made, interleaved, 16 bits each: a whole
// tune is never held at once.
class SampleSink {
 public:
  virtual ~SampleSink() = default;
  // Once, before the first samples.
  virtual void start(unsigned sampleRate, unsigned channels) = 0;
  // False when the samples could not be kept (the file could not be
  // written): whoever makes them may stop.
  virtual bool take(const std::vector<std::int16_t>& samples) = 0;
};

// A tone output that renders its tones into samples (one channel, at the
// tone generator's rate), hands each to the sink, and takes no time.
class ToneRecording final : public ToneOutput {
 public:
  explicit ToneRecording(SampleSink& sink);
  void tone(unsigned frequencyHz, unsigned lengthMs) override;
  void rest(unsigned lengthMs) override;
  std::int64_t elapsedMs() const { return elapsedMs_; }

 private:
  void handOver();
  SampleSink& sink_;
  ToneGenerator generator_;
  std::vector<std::int16_t> samples_;  // of one tone at a time
  std::int64_t elapsedMs_ = 0;
};

}  // namespace sound
