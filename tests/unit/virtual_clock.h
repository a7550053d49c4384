// The engine's clock in tests: its time moves on only when every thread that
// uses it (the test's own and the engine's) waits on it, and then straight to
// the earliest deadline. A test of a whole tune so runs in milliseconds, the
// same way every time, whatever the machine is doing.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "sound/render/engine_clock.h"

class VirtualClock final : public sound::EngineClock {
 public:
  explicit VirtualClock(std::int64_t startNs = 1'000'000'000) : now_(startNs) {}
  // The engine's threads end before the clock goes.
  ~VirtualClock() override {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return threads_ == 0; });
  }

  std::int64_t nowNs() override {
    std::lock_guard lock(mutex_);
    return now_;
  }

  bool waitUntil(std::unique_lock<std::mutex>& user, std::int64_t deadlineNs,
                 const std::function<bool()>& ready) override {
    for (;;) {
      if (ready()) return true;
      std::unique_lock lock(mutex_);
      if (now_ >= deadlineNs) return false;
      const std::uint64_t seen = generation_;
      deadlines_.insert(deadlineNs);
      moveOnIfAllWait();
      user.unlock();
      changed_.wait(lock, [&] { return generation_ != seen; });
      lock.unlock();
      user.lock();
    }
  }

  void wake() override {
    std::lock_guard lock(mutex_);
    nextGeneration();
  }

  std::thread startThread(std::function<void()> body) override {
    std::lock_guard lock(mutex_);
    ++threads_;
    return std::thread([this, body = std::move(body)] {
      body();
      std::lock_guard lock(mutex_);
      --threads_;
      moveOnIfAllWait();
      ended_.notify_all();
    });
  }

 private:
  // Every waiter of this generation counts as waiting; a change wakes them
  // all, and they count again when they wait again.
  void nextGeneration() {
    ++generation_;
    deadlines_.clear();
    changed_.notify_all();
  }

  void moveOnIfAllWait() {
    // The test's own thread, and every thread started here.
    if (deadlines_.size() < static_cast<std::size_t>(threads_) + 1) return;
    const std::int64_t next = *deadlines_.begin();
    if (next == sound::never) {
      std::fputs("every thread waits for ever\n", stderr);
      std::abort();
    }
    now_ = std::max(now_, next);
    nextGeneration();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::condition_variable ended_;
  std::int64_t now_;
  std::uint64_t generation_ = 0;
  std::multiset<std::int64_t> deadlines_;  // of the threads waiting in this generation
  int threads_ = 0;
};
