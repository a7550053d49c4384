// One run of musical time: each wait moves an absolute deadline on by a
// length and sleeps until it, so waits add up to exactly the tune's length
// however long the work between them took.
#pragma once

#include <cstdint>

namespace sound {

class Timeline {
 public:
  // Waits until the timeline, moved on by the length, is reached (less the
  // lead, for an output that queues sound ahead of the ear).
  void wait(unsigned lengthMs, unsigned leadMs = 0);

 private:
  std::int64_t deadlineMs_ = 0;
  bool started_ = false;
};

}  // namespace sound
