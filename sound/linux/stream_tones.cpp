// Tones on Linux, through one sample stream that stays open for the tune: each tone follows the previous one (phase carried on,
// short fades against clicks) and a rest is silence in the same stream, so a
// tune has no gaps.
//
// Pacing holds on any device, whether its writes block (a sound server, most
// hardware) or not (a capture into a file): one timeline for the tune moves
// on by each tone's length, never by how long a write took. The samples are
// written a chunk at a time, each no earlier than a bounded time before it
// is due, so only that much is ever queued ahead of the ear, and a call
// returns that much before its tone ends. When the machine stalls longer
// than that, the samples whose time has passed are dropped and the sound
// comes back with a short fade-in: the rest of the tune keeps its time.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "platform/linux/signals.h"
#include "sound/linux/stream_opening.h"
#include "sound/linux/stream_tones.h"
#include "sound/tone_generator.h"

namespace sound {
namespace {

namespace posix = platform::posix;

constexpr unsigned sampleRate = ToneGenerator::sampleRate;
constexpr unsigned framesPerMs = ToneGenerator::framesPerMs;
// What is queued ahead of the ear at most: enough to ride out a busy
// scheduler, little enough that lyrics shown at a call's return are in time.
constexpr std::int64_t queueAheadNs = 40'000'000;
// The stream holds two chunks more than that, so a write never waits for
// room, and no more: a device that plays only what overflows its buffer
// (ALSA's capture into a file) lags by the whole buffer.
constexpr unsigned deviceBufferMs = 60;
constexpr unsigned chunkFrames = 10 * framesPerMs;
constexpr unsigned resumeFadeFrames = 5 * framesPerMs;
constexpr std::int64_t nsPerFrame = 1'000'000'000 / sampleRate;

struct ToneStream {
  std::unique_ptr<SampleStream> samples;
  // Each way of opening is tried once per run.
  std::vector<StreamOpener> tried;
  ToneGenerator generator;
  // The timeline: where the next sample belongs, on the monotonic clock.
  std::int64_t nextFrameNs = 0;
  bool started = false;
};

ToneStream stream;

// Lets the queued sound play out; a device that plays faster than the ear
// (a capture into a file) is still given the tune's full length.
void closeStream() {
  if (stream.samples == nullptr) return;
  stream.samples->drain();
  stream.samples.reset();
  posix::sleepUntil(stream.nextFrameNs);
}

bool openStream(StreamOpener open) {
  if (stream.samples != nullptr) return true;
  if (std::find(stream.tried.begin(), stream.tried.end(), open) != stream.tried.end()) return false;
  stream.tried.push_back(open);
  stream.samples =
      StreamOpening(open, {"Lirkel tones", sampleRate, 1, deviceBufferMs, chunkFrames}).take();
  return stream.samples != nullptr;
}

void writeFrames(const std::int16_t* frames, std::size_t count) {
  if (!stream.samples->write(frames, count)) stream.samples.reset();
}

// Plays samples at their place on the timeline, a chunk at a time.
void play(std::vector<std::int16_t>& samples) {
  if (!stream.started) {
    stream.nextFrameNs = posix::monotonicNs();
    stream.started = true;
  }
  const std::int64_t startNs = stream.nextFrameNs;
  stream.nextFrameNs += static_cast<std::int64_t>(samples.size()) * nsPerFrame;
  std::size_t at = 0;
  bool resumed = false;
  while (at < samples.size() && stream.samples != nullptr) {
    const std::int64_t dueNs = startNs + static_cast<std::int64_t>(at) * nsPerFrame;
    const std::int64_t lateNs = posix::monotonicNs() - dueNs;
    if (lateNs > queueAheadNs) {
      // The queue ran dry: what should have sounded meanwhile is past.
      at = std::min(samples.size(), at + static_cast<std::size_t>(lateNs / nsPerFrame));
      resumed = true;
      continue;
    }
    if (resumed) {
      const std::size_t fade = std::min<std::size_t>(resumeFadeFrames, samples.size() - at);
      for (std::size_t i = 0; i < fade; ++i) {
        samples[at + i] = static_cast<std::int16_t>(samples[at + i] * (i + 0.5) / fade);
      }
      resumed = false;
    }
    const std::size_t count = std::min<std::size_t>(chunkFrames, samples.size() - at);
    // Written no earlier than a queue's length before its end is due.
    const std::int64_t chunkEndNs = dueNs + static_cast<std::int64_t>(count) * nsPerFrame;
    posix::sleepUntil(chunkEndNs - queueAheadNs);
    writeFrames(samples.data() + at, count);
    at += count;
  }
  // The call ends a queue's length before the sound does, or with the
  // timeline when the device is gone.
  posix::sleepUntil(stream.nextFrameNs - (stream.samples != nullptr ? queueAheadNs : 0));
}

class AlsaTones final : public ToneOutput {
 public:
  // The queued tones play out before the output is gone.
  ~AlsaTones() override { closeStream(); }
  void tone(unsigned frequencyHz, unsigned lengthMs) override {
    std::vector<std::int16_t> samples;
    stream.generator.tone(samples, frequencyHz, lengthMs);
    play(samples);
  }
  void rest(unsigned lengthMs) override {
    std::vector<std::int16_t> samples;
    stream.generator.silence(samples, lengthMs);
    play(samples);
  }
};

}  // namespace

std::unique_ptr<ToneOutput> openStreamTones(StreamOpener open) {
  if (!openStream(open)) return nullptr;
  return std::make_unique<AlsaTones>();
}

}  // namespace sound
