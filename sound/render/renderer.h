// The one pacer of the program's sound. A renderer pulls frames from a
// source (the synthesizer, or the tone generator fed with tones) on a thread
// of its own and writes them into a sample stream, and it alone owns:
// - the tune's timeline: frame f is heard at the time of the first note
//   plus f frames; events are placed at their frame, to the source's block;
// - how far ahead of the ear it writes: a queue's length at most, so that
//   much of a stall of the machine is not heard;
// - a longer stall: what fell due meanwhile is rendered into nothing, the
//   sound comes back with a short fade-in, and the rest keeps its time;
// - a stream that is lost or stops answering (see guard.h): the tune goes on
//   in silence and keeps its time;
// - the end: after the music's end the source plays on until it is quiet
//   (the release of the last notes, at most longestTailNs), then the stream
//   plays out; a stop instead ends at once, with a fade of fadeMs.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "sound/render/engine_clock.h"
#include "sound/render/frame_source.h"
#include "sound/render/guarded_stream.h"

namespace sound {

struct RenderShape {
  unsigned sampleRate;
  unsigned channels;
  unsigned chunkFrames;  // rendered and written at a time
  unsigned blockFrames;  // the source starts an event only where such a block begins
  unsigned queueMs;      // written at most this far ahead of the ear
};

class Renderer {
 public:
  // The end of a tune sounds on while its last notes fade, until a chunk is
  // this quiet (-60 dB of full scale), for this long at most.
  static constexpr int quietPeak = 33;
  static constexpr std::int64_t longestTailNs = 1'500'000'000;
  // The fade of a stop, and of the sound coming back after a stall.
  static constexpr unsigned fadeMs = 5;

  // Renders into the stream, or, without one, into nothing in time. The
  // stream may still be opening: the first chunk waits behind it, and the
  // tune is heard from when that was written.
  Renderer(EngineClock& clock, FrameSource& source, const RenderShape& shape,
           std::unique_ptr<GuardedStream> stream);
  ~Renderer();  // stops as stop() does
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // How long before its time an event is wanted.
  unsigned leadMs() const { return shape_.queueMs; }
  // Queues the event for its time. A note or a tone while nothing renders
  // begins the rendering there (or now, when that has long passed).
  void send(const SoundEvent& event);
  // Nothing more will be sent that is due before this time: the frames
  // before it can be written without waiting for more.
  void sentUpTo(std::int64_t dueNs);
  // Renders from now, for a source that plays by itself (a MIDI file).
  void start();
  // Renders on past the music's end until the source is quiet, lets the
  // stream play out, and returns when the last frame's time has come (with
  // nothing rendered, when the music's end has come; after a stop, at once).
  void finish(std::int64_t musicEndNs);
  // Ends the sound at once with a short fade, applies what is still queued
  // and silences the source; returns when the fade has played. The source
  // is the caller's again until the next event or start().
  void stop();
  bool rendering() const;
  // Whether the stream opened, waiting until the deadline to know: before
  // anything was sent, for the opening itself (bounded, see guard.h); after,
  // for the first chunk's write, which waits behind the opening. Null while
  // it is not known. Asked by the thread that sends.
  std::optional<bool> opened(std::int64_t byNs = never);
  // Whether the stream is still written (not lost, answering).
  bool streaming() const;

 private:
  enum class Phase { idle, rendering, finishing, stopping };

  void run();
  void begin(std::int64_t originNs);
  std::int64_t earNs(std::int64_t frame) const;
  std::int64_t earFrame() const;  // the frame the ear is at now
  std::int64_t frameAt(std::int64_t ns) const;
  std::int64_t nextWriteNs() const;
  bool tailDone() const;
  void renderChunk(std::unique_lock<std::mutex>& lock);
  void endTail(std::unique_lock<std::mutex>& lock);
  void endWithFade(std::unique_lock<std::mutex>& lock);
  void write(std::vector<std::int16_t> samples, std::unique_lock<std::mutex>& lock);
  void waitIdle(std::unique_lock<std::mutex>& lock);

  EngineClock& clock_;
  FrameSource& source_;
  const RenderShape shape_;
  const std::int64_t chunkNs_;
  const std::int64_t queueNs_;
  std::unique_ptr<GuardedStream> stream_;

  mutable std::mutex mutex_;
  Phase phase_ = Phase::idle;
  bool quit_ = false;
  std::deque<SoundEvent> queued_;
  std::int64_t originNs_ = 0;     // when the first frame is due
  std::int64_t earOriginNs_ = 0;  // when it is heard: the stream plays from its first chunk
  std::int64_t framesDone_ = 0;   // rendered since then
  std::int64_t sentUpToNs_ = 0;
  std::int64_t musicEndNs_ = 0;   // of a finish
  std::int64_t quietFrom_ = -1;   // the frame where the tail fell quiet
  std::int64_t resumeFrame_ = 0;  // after a write taken late, the next frame heard
  bool fadeIn_ = false;           // the next chunk written comes back from a stall
  bool fadeOut_ = false;          // a stop came while the source sounded
  bool stopped_ = false;          // nothing has sounded since a stop
  bool wroteAny_ = false;         // of this tune: the stream plays from its first chunk
  bool sent_ = false;             // anything, ever: the thread may be writing
  bool firstWriteBack_ = false;   // ever: the opening is known
  bool live_ = true;              // mirrors the stream, for readers outside the thread
  std::uint64_t changes_ = 0;     // what the thread may be waiting for changed
  std::thread thread_;
};

}  // namespace sound
