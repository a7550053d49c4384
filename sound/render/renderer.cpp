#include "sound/render/renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "sound/choice.h"

namespace sound {
namespace {

constexpr std::int64_t nsPerSecond = 1'000'000'000;

// A raised-cosine ramp over the first `frames` frames: rising from silence,
// or falling into it (and silence after).
void ramp(std::vector<std::int16_t>& samples, unsigned channels, std::size_t frames, bool rising) {
  const std::size_t total = samples.size() / channels;
  for (std::size_t frame = 0; frame < total; ++frame) {
    double gain = rising ? 1.0 : 0.0;
    if (frame < frames) {
      const double up = 0.5 - 0.5 * std::cos(std::numbers::pi * (frame + 0.5) / frames);
      gain = rising ? up : 1.0 - up;
    }
    for (unsigned c = 0; c < channels; ++c) {
      std::int16_t& sample = samples[frame * channels + c];
      sample = static_cast<std::int16_t>(std::lround(sample * gain));
    }
  }
}

int peakOf(const std::vector<std::int16_t>& samples) {
  int peak = 0;
  for (const std::int16_t sample : samples) peak = std::max(peak, std::abs(int{sample}));
  return peak;
}

}  // namespace

Renderer::Renderer(EngineClock& clock, FrameSource& source, const RenderShape& shape,
                   std::unique_ptr<GuardedStream> stream)
    : clock_(clock),
      source_(source),
      shape_(shape),
      chunkNs_(std::int64_t{shape.chunkFrames} * nsPerSecond / shape.sampleRate),
      queueNs_(std::int64_t{shape.queueMs} * 1'000'000),
      stream_(std::move(stream)) {
  live_ = stream_ != nullptr;  // until a write says otherwise: it may still be opening
  thread_ = clock_.startThread([this] { run(); });
}

Renderer::~Renderer() {
  stop();
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    ++changes_;
  }
  clock_.wake();
  thread_.join();  // its every wait is bounded (see guard.h)
}

std::int64_t Renderer::earNs(std::int64_t frame) const {
  return earOriginNs_ + frame * nsPerSecond / shape_.sampleRate;
}

std::int64_t Renderer::earFrame() const {
  return (clock_.nowNs() - earOriginNs_) * shape_.sampleRate / nsPerSecond;
}

std::int64_t Renderer::frameAt(std::int64_t ns) const {
  return (ns - originNs_) * shape_.sampleRate / nsPerSecond;
}

void Renderer::begin(std::int64_t originNs) {
  originNs_ = originNs;
  earOriginNs_ = originNs;
  framesDone_ = 0;
  quietFrom_ = -1;
  resumeFrame_ = 0;
  fadeIn_ = false;
  stopped_ = false;
  wroteAny_ = false;
  phase_ = Phase::rendering;
}

void Renderer::send(const SoundEvent& event) {
  {
    std::lock_guard lock(mutex_);
    if (phase_ == Phase::idle && event.sounds()) {
      const std::int64_t now = clock_.nowNs();
      begin(event.dueNs > now - queueNs_ ? event.dueNs : now);
    }
    queued_.push_back(event);
    sent_ = true;
    sentUpToNs_ = std::max(sentUpToNs_, event.dueNs);
    ++changes_;
  }
  clock_.wake();
}

void Renderer::sentUpTo(std::int64_t dueNs) {
  {
    std::lock_guard lock(mutex_);
    if (dueNs <= sentUpToNs_) return;
    sentUpToNs_ = dueNs;
    ++changes_;
  }
  clock_.wake();
}

void Renderer::start() {
  {
    std::lock_guard lock(mutex_);
    if (phase_ != Phase::idle) return;
    begin(clock_.nowNs());
    sent_ = true;
    sentUpToNs_ = never;  // the source needs nothing sent
    ++changes_;
  }
  clock_.wake();
}

void Renderer::waitIdle(std::unique_lock<std::mutex>& lock) {
  clock_.waitUntil(lock, never, [this] { return phase_ == Phase::idle; });
}

void Renderer::finish(std::int64_t musicEndNs) {
  std::unique_lock lock(mutex_);
  if (phase_ == Phase::idle) {
    if (stopped_) return;
    lock.unlock();
    clock_.sleepUntil(musicEndNs);  // whatever became of the sound, the music's time is kept
    return;
  }
  if (phase_ == Phase::rendering) {
    phase_ = Phase::finishing;
    musicEndNs_ = musicEndNs;
    for (const SoundEvent& event : queued_) musicEndNs_ = std::max(musicEndNs_, event.dueNs);
    sentUpToNs_ = never;
    ++changes_;
    clock_.wake();
  }
  waitIdle(lock);
}

void Renderer::stop() {
  std::unique_lock lock(mutex_);
  if (phase_ != Phase::stopping) fadeOut_ = phase_ != Phase::idle;
  phase_ = Phase::stopping;  // from idle too: what is queued is applied
  stopped_ = true;
  ++changes_;
  clock_.wake();
  waitIdle(lock);
}

bool Renderer::rendering() const {
  std::lock_guard lock(mutex_);
  return phase_ != Phase::idle;
}

std::optional<bool> Renderer::opened(std::int64_t byNs) {
  std::unique_lock lock(mutex_);
  if (!sent_) {
    // The thread has nothing to write, and leaves the stream alone.
    lock.unlock();
    const bool open = stream_ != nullptr && stream_->opened();
    lock.lock();
    live_ = live_ && open;
    return live_;
  }
  const bool known = clock_.waitUntil(
      lock, byNs, [this] { return firstWriteBack_ || !live_ || phase_ == Phase::idle; });
  if (!known) return std::nullopt;
  return live_;
}

bool Renderer::streaming() const {
  std::lock_guard lock(mutex_);
  return live_;
}

// When the next chunk is written: no more than a queue's length before the
// ear reaches its end, and not before the tune begins; while what is due in
// it may still be sent, as late as a chunk before the ear reaches it.
std::int64_t Renderer::nextWriteNs() const {
  const std::int64_t end = earNs(framesDone_ + shape_.chunkFrames);
  const std::int64_t earliest = std::max(earOriginNs_, end - queueNs_);
  if (sentUpToNs_ >= end) return earliest;
  return std::max(earliest, earNs(framesDone_) - chunkNs_);
}

bool Renderer::tailDone() const {
  const std::int64_t end = frameAt(musicEndNs_);
  const std::int64_t longest = end + longestTailNs * shape_.sampleRate / nsPerSecond;
  return framesDone_ >= end && (quietFrom_ >= 0 || framesDone_ >= longest);
}

void Renderer::write(std::vector<std::int16_t> samples, std::unique_lock<std::mutex>& lock) {
  if (!live_) return;
  // At the volume the user chose: after the tail's quiet is judged, which
  // is the source's own.
  applyVolume(samples.data(), samples.size());
  const bool first = !wroteAny_;
  wroteAny_ = true;
  lock.unlock();
  const bool written = stream_->write(std::move(samples), chunkNs_);
  lock.lock();
  live_ = written;
  // The stream plays from its first chunk on: when that came late (the
  // machine was busy, the device slow to start), the tune is heard that
  // much later throughout, rather than cut at its start. A stream that
  // never took it (it did not open) leaves the tune in its own time.
  if (first && written) earOriginNs_ = std::max(earOriginNs_, clock_.nowNs());
  if (!firstWriteBack_) {
    firstWriteBack_ = true;
    clock_.wake();
  }
}

// Renders the next chunk, every event due in it at its frame, into the
// stream; after a stall, the span whose time has passed into nothing.
void Renderer::renderChunk(std::unique_lock<std::mutex>& lock) {
  const std::int64_t first = framesDone_;
  const unsigned chunk = shape_.chunkFrames;
  // Later than its time by more than a chunk: the stream ran dry. What the
  // ear has passed meanwhile (and, after a write that came back late, what
  // it hears while that plays) is not heard, a second at most at a time.
  // Before the first chunk is written the stream has not begun to play.
  const std::int64_t ear = std::max(earFrame(), resumeFrame_);
  const bool skip = ear - first > chunk && (wroteAny_ || !live_);
  std::int64_t count = skip ? std::min<std::int64_t>(ear - first, shape_.sampleRate) : chunk;
  // The chunk that reaches the music's end ends there: what follows is the
  // tail, or nothing.
  const std::int64_t endFrame = frameAt(musicEndNs_);
  const bool finishing = phase_ == Phase::finishing;
  if (finishing && first < endFrame && first + count > endFrame) count = endFrame - first;
  std::vector<SoundEvent> due;
  while (!queued_.empty() && frameAt(queued_.front().dueNs) < first + count) {
    due.push_back(queued_.front());
    queued_.pop_front();
  }
  lock.unlock();

  const unsigned channels = shape_.channels;
  std::vector<std::int16_t> samples(static_cast<std::size_t>(count) * channels);
  std::int64_t at = first;
  const auto renderUpTo = [&](std::int64_t end) {
    if (end <= at) return;
    source_.render(samples.data() + (at - first) * channels, static_cast<std::size_t>(end - at));
    at = end;
  };
  const unsigned block = shape_.blockFrames;
  for (const SoundEvent& event : due) {
    const std::int64_t frame = std::max<std::int64_t>(frameAt(event.dueNs), first) + block / 2;
    renderUpTo(std::min(frame - frame % block, first + count));
    source_.apply(event);
  }
  renderUpTo(first + count);

  lock.lock();
  // The first quiet chunk of the tail ends the sound; it is not written.
  if (finishing && first >= endFrame && peakOf(samples) <= quietPeak) {
    quietFrom_ = first;
    return;
  }
  framesDone_ = first + count;
  if (skip) {
    fadeIn_ = true;
    return;
  }
  if (fadeIn_) ramp(samples, channels, shape_.sampleRate * fadeMs / 1000, true);
  fadeIn_ = false;
  write(std::move(samples), lock);
  // Taken after the ear had passed its start: the stream ran dry and plays
  // it from now, so the next frames to be heard are those due after it.
  const std::int64_t late = earFrame() - first;
  resumeFrame_ = late > 0 ? framesDone_ + late : 0;
}

// The end of a finish: a tail cut by its bound fades out; the stream plays
// out, and the music's time is kept on a device that plays faster.
void Renderer::endTail(std::unique_lock<std::mutex>& lock) {
  if (quietFrom_ < 0) {
    std::vector<std::int16_t> fade(std::size_t{shape_.sampleRate} * fadeMs / 1000 * shape_.channels);
    lock.unlock();
    source_.render(fade.data(), fade.size() / shape_.channels);
    lock.lock();
    ramp(fade, shape_.channels, fade.size() / shape_.channels, false);
    framesDone_ += static_cast<std::int64_t>(fade.size() / shape_.channels);
    write(std::move(fade), lock);
  }
  const std::int64_t endNs = earNs(framesDone_);
  if (live_) {
    lock.unlock();
    stream_->drain(queueNs_ + chunkNs_);
    lock.lock();
    live_ = stream_->live();
  }
  clock_.waitUntil(lock, endNs, [this] { return phase_ == Phase::stopping; });
}

// A stop: what sounds fades out in a few milliseconds after what is queued,
// which plays out; the source is silenced with every event still queued
// applied, so the instruments and notes are where the tune left them.
void Renderer::endWithFade(std::unique_lock<std::mutex>& lock) {
  const bool sounding = fadeOut_ && live_;
  std::deque<SoundEvent> rest = std::move(queued_);
  queued_.clear();
  std::vector<std::int16_t> fade(std::size_t{shape_.sampleRate} * fadeMs / 1000 * shape_.channels);
  lock.unlock();
  if (sounding) {
    source_.render(fade.data(), fade.size() / shape_.channels);
    ramp(fade, shape_.channels, fade.size() / shape_.channels, false);
  }
  for (const SoundEvent& event : rest) source_.apply(event);
  source_.silence();
  lock.lock();
  if (sounding) {
    write(std::move(fade), lock);
    if (live_) {
      lock.unlock();
      stream_->drain(queueNs_ + chunkNs_);
      lock.lock();
      live_ = stream_->live();
    }
  }
}

void Renderer::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    clock_.waitUntil(lock, never, [this] { return quit_ || phase_ != Phase::idle; });
    if (phase_ == Phase::idle) return;  // told to quit
    if (phase_ == Phase::stopping || (phase_ == Phase::finishing && tailDone())) {
      const Phase ending = phase_;
      if (ending == Phase::stopping) {
        endWithFade(lock);
      } else {
        endTail(lock);
      }
      // A stop that came during a finish is carried out next.
      if (phase_ != ending) continue;
      phase_ = Phase::idle;  // the stream and the source wait for what comes next
      clock_.wake();
      continue;
    }
    const std::int64_t writeAt = nextWriteNs();
    const std::uint64_t seen = changes_;
    if (clock_.nowNs() < writeAt) {
      clock_.waitUntil(lock, writeAt, [&] { return changes_ != seen; });
      continue;
    }
    renderChunk(lock);
  }
}

}  // namespace sound
