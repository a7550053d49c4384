// A stream of 16-bit samples to the machine's sound, as the renderer writes
// them: through a sound server (named for the desktop's mixer), or through
// an ALSA device. A stream starts playing with the first chunk written, and
// holds more than the renderer queues ahead, so a write waits for room only
// when the renderer is ahead of its own pacing. Its calls may never return
// (a server that stopped answering): the renderer makes them through a guard.
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
  // Returns when what was written has played.
  virtual void drain() = 0;
};

// A way of opening a stream: null when it does not open.
using StreamOpener = std::unique_ptr<SampleStream> (*)(const StreamShape& shape);

}  // namespace sound
