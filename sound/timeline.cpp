#include "sound/timeline.h"

#include "platform/platform.h"

namespace sound {
namespace {

// A caller this far behind the timeline (the machine stalled, or the tune
// was paused at a paging prompt) starts a new timeline at the present
// instead of rushing the next notes to catch up.
constexpr std::int64_t restartAfterMs = 250;

}  // namespace

std::int64_t Timeline::presentMs() {
  if (mode_ == Mode::counted) return elapsedMs_;
  const std::int64_t now = platform::clockMs();
  if (!started_ || now - deadlineMs_ > restartAfterMs) {
    deadlineMs_ = now;
    started_ = true;
  }
  return deadlineMs_;
}

std::int64_t Timeline::advance(unsigned lengthMs) {
  elapsedMs_ += lengthMs;
  if (mode_ == Mode::counted) return elapsedMs_;
  deadlineMs_ = presentMs() + lengthMs;
  return deadlineMs_;
}

void Timeline::waitUntilReached(unsigned leadMs) const {
  if (mode_ == Mode::counted) return;
  platform::sleepUntilMsOrInput(deadlineMs_ - leadMs);
}

}  // namespace sound
