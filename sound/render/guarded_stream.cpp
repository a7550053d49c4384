#include "sound/render/guarded_stream.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace sound {
namespace {

std::mutex deadMutex;
std::vector<StreamOpener> deadWays;

}  // namespace

bool foundDead(StreamOpener open) {
  std::lock_guard lock(deadMutex);
  return std::find(deadWays.begin(), deadWays.end(), open) != deadWays.end();
}

void forgetDeadStreams() {
  std::lock_guard lock(deadMutex);
  deadWays.clear();
}

// What the calls on the guard's worker share; only the worker touches the
// stream, and the caller reads the rest once a call has come back.
struct GuardedStream::Slot {
  std::unique_ptr<SampleStream> stream;
  std::atomic<bool> lost = false;
};

namespace {

// Writes handed to the worker and not yet done: the renderer goes on
// meanwhile, and need not be woken together with the worker for every chunk
// (with every core busy, that doubled the chances of a late chunk).
constexpr std::uint64_t writesInFlight = 4;

}  // namespace

GuardedStream::GuardedStream(EngineClock& clock, StreamOpener open, const StreamShape& shape)
    : shape_(shape), open_(open), slot_(std::make_shared<Slot>()), guard_(clock) {
  if (foundDead(open)) {
    settled_ = true;
    return;
  }
  guard_.post([slot = slot_, open, shape] {
    slot->stream = open(shape);
    slot->lost = slot->stream == nullptr;
  });
}

GuardedStream::~GuardedStream() {
  // Closing a server's stream talks to the server too.
  guard_.run([slot = slot_] { slot->stream.reset(); });
}

void GuardedStream::markDead() {
  live_ = false;
  std::lock_guard lock(deadMutex);
  if (std::find(deadWays.begin(), deadWays.end(), open_) == deadWays.end()) {
    deadWays.push_back(open_);
  }
}

bool GuardedStream::opened() {
  if (!settled_) {
    settled_ = true;
    live_ = guard_.settle() && !slot_->lost;
    if (!live_) markDead();
  }
  return live_;
}

bool GuardedStream::write(std::vector<std::int16_t> frames, std::int64_t takesNs) {
  if (settled_ && !live_) return false;
  const std::size_t count = frames.size() / shape_.channels;
  guard_.post(
      [slot = slot_, frames = std::move(frames), count] {
        if (!slot->lost) slot->lost = !slot->stream->write(frames.data(), count);
      },
      takesNs);
  // Before the opening is known, the first write waits for it to come back.
  const bool answered = guard_.settle(settled_ ? writesInFlight : 0);
  if (!settled_) {
    settled_ = true;
    live_ = answered;
  }
  if (!answered || slot_->lost) markDead();
  return live_;
}

void GuardedStream::drain(std::int64_t takesNs) {
  if (!opened()) return;
  const bool answered = guard_.run(
      [slot = slot_] {
        if (!slot->lost) slot->stream->drain();
      },
      takesNs);
  if (!answered) markDead();
}

}  // namespace sound
