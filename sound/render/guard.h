// Calls that may never return. A sound server that is stopped, not gone,
// takes a connection and then keeps every call of its client waiting for
// ever, and ALSA's "default" device may lead to that same server. Such calls
// (opening a stream, writing to it, draining it, closing it) run one at a
// time on a worker of the guard's own, and each is waited for until a
// deadline on the engine's clock: one rule for every call, a second more
// than the call may take. A call not back by then gives the guard up: the
// caller goes on without it, every later call answers false at once, and the
// worker, with what its calls hold, is left to the end of the process.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "sound/render/engine_clock.h"

namespace sound {

class Guard {
 public:
  // How long a call may be late before it is taken for one that never returns.
  static constexpr std::int64_t unansweredAfterNs = 1'000'000'000;

  explicit Guard(EngineClock& clock);
  ~Guard();
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

  // Starts the call on the worker and goes on; `takesNs` is how long it may
  // rightly take. Calls run in the order they were given.
  void post(std::function<void()> call, std::int64_t takesNs = 0);
  // Waits until at most `unfinished` calls given so far have not come back:
  // false when one is late by the rule above (the guard is then given up).
  bool settle(std::uint64_t unfinished = 0);
  // post() and settle().
  bool run(std::function<void()> call, std::int64_t takesNs = 0);
  bool givenUp() const;

 private:
  struct Shared;
  EngineClock& clock_;
  std::shared_ptr<Shared> shared_;
  std::thread worker_;
};

}  // namespace sound
