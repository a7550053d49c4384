// A sample stream whose every call (open, write, drain, close) runs behind a
// guard, and the one record of the ways of opening found dead in the run.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sound/render/engine_clock.h"
#include "sound/render/guard.h"
#include "sound/render/sample_stream.h"

namespace sound {

class GuardedStream {
 public:
  // Starts opening at once, on the guard's worker: the caller goes on
  // meanwhile (the synthesizer loads its SoundFont while a sound server sets
  // up the stream). A way of opening found dead before in the run is not
  // tried again.
  GuardedStream(EngineClock& clock, StreamOpener open, const StreamShape& shape);
  ~GuardedStream();  // closes the stream, behind the guard too
  GuardedStream(const GuardedStream&) = delete;
  GuardedStream& operator=(const GuardedStream&) = delete;

  // Waits for the opening: whether the stream opened, in time.
  bool opened();
  // Writes the frames (channels interleaved), which may rightly take
  // `takesNs`; false once the stream is lost or no longer answers, and for
  // ever after: the stream stays silent. Before opened(), the frames wait
  // behind the opening, and this waits for both.
  bool write(std::vector<std::int16_t> frames, std::int64_t takesNs);
  // Returns when what was written has played, or the stream is given up.
  void drain(std::int64_t takesNs);
  bool live() const { return live_; }
  const StreamShape& shape() const { return shape_; }

 private:
  struct Slot;
  void markDead();

  StreamShape shape_;
  StreamOpener open_;
  std::shared_ptr<Slot> slot_;
  Guard guard_;
  bool live_ = false;
  bool settled_ = false;
};

// A way of opening that failed, or did not answer, in this run.
bool foundDead(StreamOpener open);
// Back to a run in which every way of opening is still to be tried.
void forgetDeadStreams();

}  // namespace sound
