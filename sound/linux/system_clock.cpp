#include "sound/linux/system_clock.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>

#include "platform/linux/signals.h"
#include "sound/linux/thread_signals.h"

namespace sound {
namespace {

namespace posix = platform::posix;

thread_local bool onEngineThread = false;

class SystemClock final : public EngineClock {
 public:
  std::int64_t nowNs() override { return posix::monotonicNs(); }

  bool waitUntil(std::unique_lock<std::mutex>& lock, std::int64_t deadlineNs,
                 const std::function<bool()>& ready) override {
    if (onEngineThread) {
      if (deadlineNs == never) {
        changed_.wait(lock, ready);
        return true;
      }
      const std::chrono::steady_clock::time_point deadline{std::chrono::nanoseconds(deadlineNs)};
      return changed_.wait_until(lock, deadline, ready);
    }
    return waitOnMainThread(lock, deadlineNs, ready);
  }

  void wake() override {
    changed_.notify_all();
    if (mainWaiting_.load() > 0) {
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }
  }

  std::thread startThread(std::function<void()> body) override {
    const TerminatingSignalsBlocked blocked;  // inherited by the thread
    return std::thread([body = std::move(body)] {
      onEngineThread = true;
      body();
    });
  }

 private:
  // The main thread sleeps in poll(), woken by wake() through an event
  // descriptor and by a terminating signal through the signal pipe.
  bool waitOnMainThread(std::unique_lock<std::mutex>& lock, std::int64_t deadlineNs,
                        const std::function<bool()>& ready) {
    for (;;) {
      ++mainWaiting_;  // before ready(): a change after it also writes the descriptor
      const bool done = ready();
      const std::int64_t left = deadlineNs - nowNs();
      if (done || left <= 0) {
        --mainWaiting_;
        return done;
      }
      lock.unlock();
      pollfd watched[2] = {{wakeFd_, POLLIN, 0}, {posix::signalWakeDescriptor(), POLLIN, 0}};
      const bool watchSignals = watched[1].fd >= 0 && !posix::processEnding();
      int timeout = deadlineNs == never ? -1 : static_cast<int>(std::min<std::int64_t>((left + 999'999) / 1'000'000, 1 << 30));
      if (wakeFd_ < 0 && (timeout < 0 || timeout > 10)) timeout = 10;  // no descriptor: look again soon
      poll(watched, watchSignals ? 2 : 1, timeout);
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
      --mainWaiting_;
      if (posix::signalPending()) posix::endBySignal();
      lock.lock();
    }
  }

  std::condition_variable_any changed_;
  std::atomic<int> mainWaiting_{0};
  const int wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
};

}  // namespace

EngineClock& systemClock() {
  // Never destroyed: a thread left stuck in a call that never returns may
  // still wake in it at the very end of the process.
  static EngineClock& clock = *new SystemClock;
  return clock;
}

}  // namespace sound
