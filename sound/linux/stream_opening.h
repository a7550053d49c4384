// Opens a sample stream on a thread of its own. The run goes on meanwhile
// (the synthesizer loads its SoundFont while a sound server sets up the
// stream), and never waits on a server or device that does not answer: a
// server that is stopped, not gone, accepts the connection and never
// replies, and ALSA's "default" device may lead to that same server.
#pragma once

#include <memory>

#include "sound/linux/sample_stream.h"

namespace sound {

struct OpeningState;

class StreamOpening {
 public:
  StreamOpening(StreamOpener open, const StreamShape& shape);
  ~StreamOpening();  // a stream not taken is closed
  StreamOpening(const StreamOpening&) = delete;
  StreamOpening& operator=(const StreamOpening&) = delete;

  // The stream; nullptr when it failed to open, or did not within
  // unansweredAfterMs of the start. A way of opening that once did not answer in time is not
  // tried again in the run: it gives nullptr at once.
  std::unique_ptr<SampleStream> take();

 private:
  std::shared_ptr<OpeningState> state_;
};

}  // namespace sound
