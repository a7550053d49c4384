// A stream of 16-bit samples to the machine's sound, as the tones and the
// synthesizer write them: through a sound server when one runs (named for
// the desktop's mixer), else through ALSA's "default" device. Both back ends
// start playing with the first chunk written and hold more than their
// writers queue ahead, so a write waits for room only when the writer is
// ahead of its own pacing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace sound {

struct StreamShape {
  const char* name;  // what the mixer shows beside the application's name
  unsigned sampleRate;
  unsigned channels;
  unsigned bufferMs;     // the most the stream holds
  unsigned chunkFrames;  // the writer's unit; playing starts with the first
};

class SampleStream {
 public:
  virtual ~SampleStream() = default;  // what is queued is dropped
  // Writes every frame (channels interleaved); false once the device or
  // server is gone for good.
  virtual bool write(const std::int16_t* frames, std::size_t count) = 0;
  // Returns when what was written has played; the stream takes more after.
  virtual void drain() = 0;
  // Drops what is queued; the stream takes more after.
  virtual void drop() = 0;
};

// Null when the stream does not open. Called through StreamOpening, which
// sets up what the process shares (library messages, the mixer's names).
using StreamOpener = std::unique_ptr<SampleStream> (*)(const StreamShape& shape);

// A device or server that keeps a call waiting this long does not answer:
// it is given up, and the run keeps its time without it.
constexpr unsigned unansweredAfterMs = 1000;

}  // namespace sound
