// The figures: a chunk of 5.3 ms keeps the placing of messages and the waking
// fine-grained at a negligible cost (rendering 5 ms of a few voices takes
// some 20 microseconds). The queue of 60 ms rides out what a machine with
// every core busy does to an ordinary thread and to the sound server's
// (holes of up to 13 ms were heard with FluidSynth's own driver, which keeps
// about 11 ms queued, none with 60 ms); it is also how early lyrics show
// before their notes, which is not heard as early. The stream holds two
// chunks more, so a write never waits for room; no more, because a device
// that plays only what overflows its buffer (ALSA's capture into a file)
// would lag by all of it.
#include "sound/linux/synth_pump.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/linux/signals.h"
#include "sound/linux/thread_signals.h"

namespace sound::fluid {
namespace {

constexpr std::int64_t nsPerSecond = 1'000'000'000;
constexpr std::int64_t queueNs = std::int64_t{SynthPump::queueMs} * 1'000'000;
constexpr unsigned channels = 2;
constexpr unsigned resumeFadeFrames = SynthPump::sampleRate / 200;  // 5 ms
// A long stall is rendered into nothing about a second at a time.
constexpr std::int64_t maxSkipFrames =
    SynthPump::sampleRate / SynthPump::chunkFrames * SynthPump::chunkFrames;
// How long an ending waits for a stream whose writes no longer come back (a
// device that hangs); the run then ends without it.
constexpr std::int64_t stuckStreamNs = std::int64_t{unansweredAfterMs} * 1'000'000;

std::int64_t framesToNs(std::int64_t frames) { return frames * nsPerSecond / SynthPump::sampleRate; }
std::int64_t nsToFrames(std::int64_t ns) { return ns * SynthPump::sampleRate / nsPerSecond; }
std::chrono::steady_clock::time_point timeOf(std::int64_t ns) {
  return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns));
}
std::int64_t now() { return platform::posix::monotonicNs(); }

}  // namespace

SynthPump::SynthPump(const Library& fluid, fluid_synth_t* synth,
                     std::unique_ptr<SampleStream> stream)
    : fluid_(fluid), synth_(synth), stream_(std::move(stream)) {
  const TerminatingSignalsBlocked blocked;
  thread_ = std::thread([this] { run(); });
}

SynthPump::~SynthPump() {
  if (end()) thread_.join();
}

bool SynthPump::end() {
  if (!thread_.joinable()) return true;
  stop();
  std::unique_lock lock(mutex_);
  quit_ = true;
  changed_.notify_all();
  if (!stuck_ &&
      changed_.wait_until(lock, timeOf(now() + stuckStreamNs), [this] { return exited_; })) {
    return true;
  }
  thread_.detach();
  return false;
}

void SynthPump::apply(const SynthMessage& message) {
  switch (message.kind) {
    case SynthMessage::Kind::noteOn:
      fluid_.synth_noteon(synth_, message.channel, message.key, message.velocity);
      break;
    case SynthMessage::Kind::noteOff:
      fluid_.synth_noteoff(synth_, message.channel, message.key);
      break;
    case SynthMessage::Kind::programChange:
      fluid_.synth_program_change(synth_, message.channel, message.key);
      break;
    case SynthMessage::Kind::allSoundOff:
      fluid_.synth_all_sounds_off(synth_, -1);
      break;
  }
}

void SynthPump::beginAt(std::int64_t originNs) {
  originNs_ = originNs;
  framesDone_ = 0;
  rendering_ = true;
  finishing_ = false;
  fadeIn_ = false;
  changed_.notify_all();
}

void SynthPump::send(const SynthMessage& message) {
  std::lock_guard lock(mutex_);
  lastDueNs_ = std::max(lastDueNs_, message.dueNs);
  if (!rendering_ && message.kind == SynthMessage::Kind::noteOn) {
    // The tune starts where its first note is due, unless that has long passed.
    const std::int64_t at = now();
    beginAt(message.dueNs > at - queueNs ? message.dueNs : at);
  }
  if (rendering_) {
    queued_.push_back(message);
  } else {
    apply(message);
  }
}

void SynthPump::start() {
  std::lock_guard lock(mutex_);
  if (!rendering_) beginAt(now());
}

bool SynthPump::rendering() const {
  std::lock_guard lock(mutex_);
  return rendering_;
}

void SynthPump::finish() {
  std::unique_lock lock(mutex_);
  const std::int64_t endNs = std::max(now(), lastDueNs_);
  if (rendering_) {
    endNs_ = endNs;
    finishing_ = true;
    changed_.notify_all();
    const std::int64_t deadline = endNs_ + queueNs + stuckStreamNs;
    stuck_ = !changed_.wait_until(lock, timeOf(deadline), [this] { return !rendering_; });
  }
  lock.unlock();
  stop();
  // Whatever became of the stream, the music's time is kept.
  platform::posix::sleepUntil(endNs);
}

void SynthPump::stop() {
  std::unique_lock lock(mutex_);
  rendering_ = false;
  finishing_ = false;
  changed_.notify_all();
  // The thread lets go of the stream when its chunk is written.
  if (!stuck_) {
    stuck_ = !changed_.wait_until(lock, timeOf(now() + stuckStreamNs), [this] { return !busy_; });
  }
  for (const SynthMessage& message : queued_) apply(message);
  queued_.clear();
  if (!busy_ && !lost_) stream_->drop();
}

// Renders the next chunk into the stream (or, for a span whose time has
// passed, into nothing), with every message at its sample.
bool SynthPump::renderChunk(std::unique_lock<std::mutex>& lock) {
  const std::int64_t first = framesDone_;
  const std::int64_t originNs = originNs_;
  // A chunk due longer ago than the queue lasts: the machine stalled and the
  // stream ran dry. What should have sounded meanwhile is rendered into
  // nothing, so the tune goes on in step, and the sound comes back with a
  // short fade-in.
  const std::int64_t behindNs = now() - originNs - framesToNs(first);
  const bool skip = behindNs > queueNs;
  const std::int64_t behind = nsToFrames(behindNs);
  const std::int64_t count =
      skip ? std::min<std::int64_t>(behind - behind % chunkFrames, maxSkipFrames) : chunkFrames;
  std::vector<SynthMessage> due;
  while (!queued_.empty() &&
         nsToFrames(queued_.front().dueNs - originNs) < first + count) {
    due.push_back(queued_.front());
    queued_.pop_front();
  }
  const bool lost = lost_;
  const bool fadeIn = fadeIn_;
  busy_ = true;
  lock.unlock();

  std::vector<std::int16_t> samples(static_cast<std::size_t>(count) * channels);
  std::int64_t at = first;
  // Renders from `at` up to `end`, left and right interleaved.
  const auto renderUpTo = [&](std::int64_t end) {
    if (end <= at) return;
    const int offset = static_cast<int>((at - first) * channels);
    fluid_.synth_write_s16(synth_, static_cast<int>(end - at), samples.data(), offset, 2,
                           samples.data(), offset + 1, 2);
    at = end;
  };
  for (const SynthMessage& message : due) {
    const std::int64_t frame = nsToFrames(message.dueNs - originNs) + blockFrames / 2;
    renderUpTo(std::clamp(frame - frame % blockFrames, at, first + count));
    apply(message);
  }
  renderUpTo(first + count);
  bool written = true;
  if (!skip && !lost) {
    if (fadeIn) {
      const std::size_t fade = std::min<std::size_t>(resumeFadeFrames, count);
      for (std::size_t i = 0; i < fade * channels; ++i) {
        samples[i] = static_cast<std::int16_t>(samples[i] * (i / channels + 0.5) / fade);
      }
    }
    written = stream_->write(samples.data(), static_cast<std::size_t>(count));
  }

  lock.lock();
  busy_ = false;
  fadeIn_ = skip;
  framesDone_ = first + count;
  changed_.notify_all();
  return written;
}

void SynthPump::run() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (!rendering_) {
      changed_.wait(lock);
      continue;
    }
    const std::int64_t chunkStartNs = originNs_ + framesToNs(framesDone_);
    if (finishing_ && chunkStartNs >= endNs_) {
      busy_ = true;
      const bool lost = lost_;
      lock.unlock();
      if (!lost) stream_->drain();
      lock.lock();
      busy_ = false;
      rendering_ = false;
      finishing_ = false;
      changed_.notify_all();
      continue;
    }
    // Written no earlier than a queue's length before its end is due.
    const std::int64_t writeAtNs = chunkStartNs + framesToNs(chunkFrames) - queueNs;
    if (changed_.wait_until(lock, timeOf(writeAtNs), [this] { return quit_ || !rendering_; })) {
      continue;
    }
    // A stream lost (the server went away) is written no more; rendering
    // goes on into nothing, so a tune or a file keeps its time in silence.
    if (!renderChunk(lock)) lost_ = true;
  }
  exited_ = true;
  changed_.notify_all();
}

}  // namespace sound::fluid
