// The one clock of the sound engine: the time every deadline of the engine
// is read from, and every wait of its threads (and of the callers that wait
// for them). The system's clock is the monotonic one the program's own waits
// use; the tests use a virtual one that moves on only when every thread of
// the engine waits, so a test of a whole tune runs in milliseconds.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>

namespace sound {

// A deadline that never comes.
constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();

class EngineClock {
 public:
  virtual ~EngineClock() = default;
  virtual std::int64_t nowNs() = 0;
  // Waits until ready() holds or the clock reaches the deadline, with
  // `lock` let go meanwhile and held whenever ready() is asked. Answers
  // ready().
  virtual bool waitUntil(std::unique_lock<std::mutex>& lock, std::int64_t deadlineNs,
                         const std::function<bool()>& ready) = 0;
  // Every wait looks again at what it waits for: called after a change one
  // may be waiting for, with the change made under the waiter's lock.
  virtual void wake() = 0;
  // A thread of the engine: its waits are on this clock.
  virtual std::thread startThread(std::function<void()> body) = 0;

  // Sleeps until the time.
  void sleepUntil(std::int64_t deadlineNs) {
    std::mutex alone;
    std::unique_lock lock(alone);
    waitUntil(lock, deadlineNs, [] { return false; });
  }
};

}  // namespace sound
