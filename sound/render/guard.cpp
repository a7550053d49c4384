#include "sound/render/guard.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace sound {

// Shared by the guard and its worker, so a worker stuck in a call can be
// let go of with what it needs.
struct Guard::Shared {
  std::mutex mutex;
  std::deque<std::function<void()>> calls;
  std::uint64_t given = 0;
  std::uint64_t done = 0;
  std::deque<std::int64_t> answerBy;  // of each call not back yet, oldest first
  bool quit = false;
  bool givenUp = false;
};

Guard::Guard(EngineClock& clock) : clock_(clock), shared_(std::make_shared<Shared>()) {
  // The worker holds what it shares with the guard, so it can be let go of.
  worker_ = clock_.startThread([&clock = clock_, shared = shared_] {
    std::unique_lock lock(shared->mutex);
    for (;;) {
      clock.waitUntil(lock, never, [&] { return shared->quit || !shared->calls.empty(); });
      if (shared->calls.empty()) return;  // told to quit, with nothing left to do
      std::function<void()> call = std::move(shared->calls.front());
      shared->calls.pop_front();
      lock.unlock();
      call();
      call = nullptr;  // what it held goes here, outside the lock
      lock.lock();
      ++shared->done;
      if (!shared->answerBy.empty()) shared->answerBy.pop_front();
      clock.wake();
    }
  });
}

Guard::~Guard() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->quit = true;
  }
  clock_.wake();
  if (settle()) {
    worker_.join();  // every call came back, and none is left
  } else {
    worker_.detach();  // it may never come back
  }
}

void Guard::post(std::function<void()> call, std::int64_t takesNs) {
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->givenUp) return;
    shared_->calls.push_back(std::move(call));
    ++shared_->given;
    shared_->answerBy.push_back(clock_.nowNs() + takesNs + unansweredAfterNs);
  }
  clock_.wake();
}

bool Guard::settle(std::uint64_t unfinished) {
  std::unique_lock lock(shared_->mutex);
  for (;;) {
    if (shared_->givenUp) return false;
    if (shared_->given - shared_->done <= unfinished) return true;
    // Waits for the oldest call not back, until it is late.
    const std::uint64_t done = shared_->done;
    if (!clock_.waitUntil(lock, shared_->answerBy.front(),
                          [&] { return shared_->done != done; })) {
      shared_->givenUp = true;
      shared_->calls.clear();
      return false;
    }
  }
}

bool Guard::run(std::function<void()> call, std::int64_t takesNs) {
  post(std::move(call), takesNs);
  return settle();
}

bool Guard::givenUp() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->givenUp;
}

}  // namespace sound
