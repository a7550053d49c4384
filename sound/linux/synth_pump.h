// Renders the synthesizer into a sample stream on a thread of its own, a
// chunk at a time, each written no earlier than a bounded time (the queue)
// before it is due, so only that much is ever queued ahead of the ear: a
// stall of the machine shorter than the queue is not heard.
//
// Messages come that long before their time, each with the time it is due,
// and are placed there, to the synthesizer's block of 64 frames (1.3 ms): a
// tune keeps its rhythm however the thread is woken. Rendering starts with the first note, at its
// time, so nothing of silence is queued before it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "sound/linux/fluid_library.h"
#include "sound/linux/sample_stream.h"

namespace sound::fluid {

struct SynthMessage {
  enum class Kind { noteOn, noteOff, programChange, allSoundOff };
  Kind kind;
  int channel = 0;
  int key = 0;  // the note, or the program
  int velocity = 0;
  std::int64_t dueNs = 0;  // on the monotonic clock
};

class SynthPump {
 public:
  static constexpr unsigned sampleRate = 48000;
  // The synthesizer renders in blocks of 64 frames and starts a note only
  // where a block begins: chunks and the places of messages keep to them.
  static constexpr unsigned blockFrames = 64;
  static constexpr unsigned chunkFrames = 4 * blockFrames;  // 5.3 ms
  // Queued ahead of the ear: see the figures in synth_pump.cpp.
  static constexpr unsigned queueMs = 60;
  // Two chunks more than the queue: a write never waits for room.
  static constexpr unsigned streamBufferMs = queueMs + 10;

  SynthPump(const Library& fluid, fluid_synth_t* synth, std::unique_ptr<SampleStream> stream);
  ~SynthPump();  // stops at once (see end())
  SynthPump(const SynthPump&) = delete;
  SynthPump& operator=(const SynthPump&) = delete;

  // Placed at its time while rendering; sent at once before. A note-on
  // starts the rendering, with its own time as the first sample's.
  void send(const SynthMessage& message);
  // Renders from now, for a player that drives the synthesizer itself.
  void start();
  // Renders until the last message's time, lets the stream play out, and
  // stops rendering; a later note or start() renders again.
  void finish();
  // Stops rendering at once; what is queued is dropped.
  void stop();
  bool rendering() const;
  // Stops at once and ends the thread. False when the thread is stuck in a
  // stream whose writes no longer come back (a device that hangs): the
  // pump and the synthesizer it renders must then be left to the end of
  // the process, not destroyed.
  bool end();

 private:
  void run();
  void apply(const SynthMessage& message);
  void beginAt(std::int64_t originNs);
  bool renderChunk(std::unique_lock<std::mutex>& lock);

  const Library& fluid_;
  fluid_synth_t* synth_;
  std::unique_ptr<SampleStream> stream_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<SynthMessage> queued_;
  bool rendering_ = false;
  bool finishing_ = false;
  bool lost_ = false;  // the stream went away: rendering goes on into nothing
  bool quit_ = false;
  bool exited_ = false;  // the thread left its loop
  bool stuck_ = false;   // a write has not come back in time
  bool fadeIn_ = false;
  bool busy_ = false;  // rendering or writing, the lock let go
  std::int64_t originNs_ = 0;   // the time of the first sample rendered
  std::int64_t framesDone_ = 0;  // rendered since then
  std::int64_t endNs_ = 0;       // where a finish stops
  std::int64_t lastDueNs_ = 0;   // of every message sent
  std::thread thread_;
};

}  // namespace sound::fluid
