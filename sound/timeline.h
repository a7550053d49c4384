// One run of musical time: each wait moves an absolute deadline on by a
// length and sleeps until it, so waits add up to exactly the tune's length
// however long the work between them took. A counted timeline only counts:
// a tune written to a file takes no time to write.
#pragma once

#include <cstdint>

namespace sound {

class Timeline {
 public:
  enum class Mode { realTime, counted };
  Timeline() = default;
  explicit Timeline(Mode mode) : mode_(mode) {}

  // Moves the timeline on by the length: answers the clock time (ms) the
  // music reaches, where what is sent next is due.
  std::int64_t advance(unsigned lengthMs);
  // Waits until the time reached, less the lead (for an output that queues
  // sound ahead of the ear); wakes early when input is pending, so that a
  // key stops a long note at once.
  void waitUntilReached(unsigned leadMs) const;
  void wait(unsigned lengthMs, unsigned leadMs = 0) {
    advance(lengthMs);
    waitUntilReached(leadMs);
  }
  // The clock time (ms) the music has reached: where what is sent next is
  // due. Starts the timeline at the present, or anew after a stall.
  std::int64_t presentMs();
  // The music's length so far: every length waited, added up.
  std::int64_t elapsedMs() const { return elapsedMs_; }

 private:
  Mode mode_ = Mode::realTime;
  std::int64_t deadlineMs_ = 0;
  std::int64_t elapsedMs_ = 0;
  bool started_ = false;
};

}  // namespace sound
