// The renderer over a fake stream and the virtual clock: queue depth, the
// first note on time, events at their frame, a stall, a lost stream, a
// stream that stops answering, the end with its release, a stop without a
// click. Each runs a whole tune in milliseconds.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "fake_stream.h"
#include "sound/choice.h"
#include "sound/render/guarded_stream.h"
#include "sound/render/renderer.h"
#include "sound/render/tone_source.h"
#include "virtual_clock.h"

namespace {

using sound::Renderer;
using sound::SoundEvent;

constexpr std::int64_t ms = 1'000'000;

// A 1 kHz sine whose level is easy to follow: full while a note is held,
// then falling by `decay` a frame; it notes the frame each event came at.
class ReleasingSource final : public sound::FrameSource {
 public:
  explicit ReleasingSource(double decay) : decay_(decay) {}
  void render(std::int16_t* frames, std::size_t count) override {
    for (std::size_t i = 0; i < count; ++i, ++frame_) {
      frames[i] = static_cast<std::int16_t>(
          std::lround(8000 * level_ * std::sin(2 * std::numbers::pi * frame_ / 48.0)));
      if (!held_) level_ *= decay_;
    }
  }
  void apply(const SoundEvent& event) override {
    applied.push_back(frame_);
    held_ = event.kind == SoundEvent::Kind::noteOn;
    if (held_) level_ = 1.0;
  }
  void silence() override { level_ = 0; }
  std::vector<std::int64_t> applied;

 private:
  double decay_;
  double level_ = 0;
  bool held_ = false;
  std::int64_t frame_ = 0;
};

// Each sample tells which of the source's frames it is: 1000 + frame / 2.
// Once, at a given frame, it takes long to render, as a machine that does
// not run the renderer's thread for a while.
class CountingSource final : public sound::FrameSource {
 public:
  CountingSource(VirtualClock& clock, std::int64_t stallAtFrame, std::int64_t stallNs)
      : clock_(clock), stallAt_(stallAtFrame), stallNs_(stallNs) {}
  void render(std::int16_t* frames, std::size_t count) override {
    if (frame_ >= stallAt_ && stallNs_ > 0) {
      clock_.sleepUntil(clock_.nowNs() + stallNs_);
      stallNs_ = 0;
    }
    for (std::size_t i = 0; i < count; ++i, ++frame_) {
      frames[i] = static_cast<std::int16_t>(1000 + frame_ / 2 % 30000);
    }
  }
  void apply(const SoundEvent&) override {}
  void silence() override {}

 private:
  VirtualClock& clock_;
  std::int64_t stallAt_;
  std::int64_t stallNs_;
  std::int64_t frame_ = 0;
};

constexpr sound::RenderShape synthShape{48000, 1, 256, 64, 60};

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device.clock = &clock;
    currentDevice() = &device;
    sound::forgetDeadStreams();
  }

  std::unique_ptr<Renderer> renderer(sound::FrameSource& source, const sound::RenderShape& shape) {
    auto stream = std::make_unique<sound::GuardedStream>(
        clock, FakeDevice::open,
        sound::StreamShape{"test", shape.sampleRate, shape.channels, shape.queueMs + 20,
                           shape.chunkFrames});
    return std::make_unique<Renderer>(clock, source, shape, std::move(stream));
  }

  // Plays tones as the player does: each sent a queue's length before its
  // time, with the time it is due. Answers the music's end.
  std::int64_t playTones(Renderer& r, std::int64_t firstNs, int count, unsigned lengthMs) {
    std::int64_t at = firstNs;
    for (int k = 0; k < count; ++k) {
      r.send({SoundEvent::Kind::tone, 0, 0, 0, k % 2 ? 660u : 440u, lengthMs, at});
      at += lengthMs * ms;
      r.sentUpTo(at);
      clock.sleepUntil(at - r.leadMs() * ms);
    }
    return at;
  }

  // The largest step from one sample to the next over a span of the samples.
  int largestStep(std::size_t from, std::size_t to) const {
    int step = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
      step = std::max(step, std::abs(device.samples[i] - device.samples[i - 1]));
    }
    return step;
  }

  std::int64_t heardEnd() const { return device.playedUpToNs; }

  FakeDevice device;   // outlives the clock's threads
  VirtualClock clock;
};

TEST_F(RendererTest, TheFirstNoteIsHeardAtItsTimeAndNoMoreThanTheQueueIsAhead) {
  sound::ToneSource tones;
  const auto r = renderer(tones, sound::ToneSource::shape(40));
  const std::int64_t first = clock.nowNs() + 20 * ms;
  const std::int64_t end = playTones(*r, first, 8, 100);
  r->finish(end);

  ASSERT_FALSE(device.writes.empty());
  EXPECT_EQ(device.writes.front().atNs, first);  // not written before its time
  EXPECT_EQ(device.heardAt(0), first);
  std::int64_t heard = first;
  for (const FakeDevice::Write& w : device.writes) {
    EXPECT_EQ(w.heardNs, heard) << "the device ran dry";
    heard = w.heardEndNs(48000);
    EXPECT_LE(heard - w.atNs, 40 * ms) << "written further ahead than the queue";
  }
  EXPECT_GE(device.samples.size(), 800u * 48);  // the whole tune, and at most its tail
  EXPECT_LE(device.samples.size(), 800u * 48 + 2 * 480);
  EXPECT_GE(clock.nowNs(), end);
  EXPECT_EQ(device.drains.size(), 1u);
}

TEST_F(RendererTest, EventsComeAtTheirFrameToTheSourcesBlock) {
  ReleasingSource source(0.999);
  const auto r = renderer(source, synthShape);
  const std::int64_t first = clock.nowNs();
  // At 100 ms: frame 4800, a block's start; at 137 ms: frame 6576, whose
  // nearest block starts at 6592.
  const std::int64_t dues[] = {0, 100, 100, 137, 137, 237};
  for (std::size_t k = 0; k < std::size(dues); ++k) {
    const std::int64_t due = first + dues[k] * ms;
    clock.sleepUntil(due - 60 * ms);
    r->send({k % 2 ? SoundEvent::Kind::noteOff : SoundEvent::Kind::noteOn, 0, 60, 100, 0, 0, due});
    r->sentUpTo(k + 1 < std::size(dues) ? first + dues[k + 1] * ms : due);
  }
  r->finish(first + 237 * ms);
  EXPECT_EQ(source.applied, (std::vector<std::int64_t>{0, 4800, 4800, 6592, 6592, 11392}));
}

TEST_F(RendererTest, AStallIsRenderedIntoNothingAndTheSoundFadesBackInStep) {
  // 213 ms into the tune, for 200 ms.
  CountingSource source(clock, 40 * 256, 200 * ms);
  const sound::RenderShape shape{48000, 1, 256, 1, 60};
  const auto r = renderer(source, shape);
  const std::int64_t start = clock.nowNs();
  r->start();
  clock.sleepUntil(start + 1000 * ms);
  r->stop();

  // The chunk rendered through the stall is heard late: the device ran dry.
  std::size_t stalled = 0;
  for (std::size_t k = 1; k < device.writes.size() && stalled == 0; ++k) {
    if (device.writes[k].heardNs > device.writes[k - 1].heardEndNs(48000)) stalled = k;
  }
  ASSERT_GT(stalled, 0u) << "the stall was not heard";
  ASSERT_LT(stalled + 1, device.writes.size());
  const FakeDevice::Write& late = device.writes[stalled];
  const std::size_t resumed = device.writes[stalled + 1].firstFrame;
  const std::size_t fade = 48 * Renderer::fadeMs;
  // The sound comes back from silence, faded in.
  EXPECT_LT(std::abs(device.samples[resumed]), 0.1 * (1000 + 2 * resumed));
  // Before and after, each sample is heard when its frame is due.
  for (std::size_t p = 0; p + fade < device.samples.size(); ++p) {
    if (p >= late.firstFrame && p < resumed + fade) continue;
    const std::int64_t frame = 2 * (device.samples[p] - 1000);
    ASSERT_NEAR(device.heardAt(p), start + frame * 1'000'000'000 / 48000, 2 * 1'000'000'000 / 48000)
        << "sample " << p;
  }
}

TEST_F(RendererTest, ALostStreamLeavesTheTuneInTime) {
  ReleasingSource source(0.999);
  const auto r = renderer(source, synthShape);
  device.loseAtWrite = 10;
  const std::int64_t first = clock.nowNs();
  for (int k = 0; k < 6; ++k) {
    const std::int64_t due = first + k * 500 * ms;
    clock.sleepUntil(due - 60 * ms);
    r->send({k % 2 ? SoundEvent::Kind::noteOff : SoundEvent::Kind::noteOn, 0, 60, 100, 0, 0, due});
    r->sentUpTo(due + 500 * ms);
  }
  r->finish(first + 2500 * ms);
  EXPECT_FALSE(r->streaming());
  EXPECT_EQ(device.writes.size(), 10u);
  EXPECT_EQ(source.applied, (std::vector<std::int64_t>{0, 24000, 48000, 72000, 96000, 120000}));
  EXPECT_GE(clock.nowNs(), first + 2500 * ms);
  EXPECT_LT(clock.nowNs(), first + 2500 * ms + Renderer::longestTailNs);
}

TEST_F(RendererTest, TonesSentWhileTheStreamOpensWaitForItAndAreAllHeard) {
  sound::ToneSource tones;
  device.openTakesNs = 15 * ms;
  const auto r = renderer(tones, sound::ToneSource::shape(30));  // still opening
  const std::int64_t first = clock.nowNs();
  r->finish(playTones(*r, first, 4, 100));
  ASSERT_FALSE(device.writes.empty());
  EXPECT_EQ(device.writes.front().atNs, first + 15 * ms);  // right behind the opening
  std::int64_t heard = device.writes.front().atNs;
  for (const FakeDevice::Write& w : device.writes) {
    EXPECT_EQ(w.heardNs, heard) << "a part was skipped or the device ran dry";
    heard = w.heardEndNs(48000);
  }
  EXPECT_GE(device.samples.size(), 400u * 48);
  EXPECT_GE(clock.nowNs(), first + 15 * ms + 400 * ms);
}

TEST_F(RendererTest, AStreamThatDoesNotOpenLeavesTheTonesInTimeInSilence) {
  for (const bool hangs : {false, true}) {  // refused, or never answering
    sound::forgetDeadStreams();
    device.refuseOpen = !hangs;
    device.hangOpen = hangs;
    sound::ToneSource tones;
    const auto r = renderer(tones, sound::ToneSource::shape(30));
    const std::int64_t end = playTones(*r, clock.nowNs(), 15, 100);
    r->finish(end);
    EXPECT_FALSE(r->streaming());
    EXPECT_TRUE(device.writes.empty());
    EXPECT_GE(clock.nowNs(), end);
    EXPECT_LE(clock.nowNs(), end + 20 * ms) << (hangs ? "hanging" : "refused");
  }
  device.release();
}

TEST_F(RendererTest, WhetherTheStreamOpenedIsKnownWhenTheFirstChunkBehindItComesBack) {
  sound::ToneSource tones;
  const auto toneAt = [](std::int64_t dueNs) {
    return SoundEvent{SoundEvent::Kind::tone, 0, 0, 0, 440, 100, dueNs};
  };
  device.openTakesNs = 15 * ms;
  {
    const auto r = renderer(tones, sound::ToneSource::shape(30));
    const std::int64_t start = clock.nowNs();
    r->send(toneAt(start));
    EXPECT_EQ(r->opened(), true);
    EXPECT_EQ(clock.nowNs(), start + 15 * ms);
    r->stop();
  }
  device.openTakesNs = 0;
  for (const bool hangs : {false, true}) {
    sound::forgetDeadStreams();
    device.refuseOpen = !hangs;
    device.hangOpen = hangs;
    const auto r = renderer(tones, sound::ToneSource::shape(30));
    const std::int64_t start = clock.nowNs();
    r->send(toneAt(start));
    if (hangs) {
      EXPECT_EQ(r->opened(start + 100 * ms), std::nullopt);  // asked again at the next tone
      EXPECT_EQ(clock.nowNs(), start + 100 * ms);
    }
    EXPECT_EQ(r->opened(), false);
    EXPECT_LE(clock.nowNs(), start + (hangs ? sound::Guard::unansweredAfterNs : 0));
    r->stop();
  }
  device.release();
}

TEST_F(RendererTest, AStreamThatStopsAnsweringIsGivenUpAndTheTimeKept) {
  sound::ToneSource tones;
  const auto r = renderer(tones, sound::ToneSource::shape(40));
  device.hangAtWrite = 20;
  const std::int64_t end = playTones(*r, clock.nowNs(), 30, 100);
  r->finish(end);
  EXPECT_FALSE(r->streaming());
  EXPECT_GE(clock.nowNs(), end);
  EXPECT_LE(clock.nowNs(), end + 20 * ms);
  // That way of opening is not tried again in the run.
  sound::GuardedStream again(clock, FakeDevice::open, {"test", 48000, 1, 60, 480});
  EXPECT_FALSE(again.opened());
  EXPECT_EQ(device.opens, 1);
  device.release();
}

TEST_F(RendererTest, AnOpeningThatNeverAnswersIsGivenUpAfterASecond) {
  device.hangOpen = true;
  const std::int64_t start = clock.nowNs();
  sound::GuardedStream stream(clock, FakeDevice::open, {"test", 48000, 1, 60, 480});
  clock.sleepUntil(start + 300 * ms);  // the caller goes on meanwhile
  EXPECT_FALSE(stream.opened());
  EXPECT_EQ(clock.nowNs(), start + sound::Guard::unansweredAfterNs);
  EXPECT_FALSE(stream.write(std::vector<std::int16_t>(480), 10 * ms));
  device.release();
}

TEST_F(RendererTest, TheEndRendersTheReleaseThenDrains) {
  // After its note it falls to the quiet level in about 229 ms.
  ReleasingSource source(0.9995);
  const double quietAfterMs = std::log(8000.0 / Renderer::quietPeak) / -std::log(0.9995) / 48;
  const auto r = renderer(source, synthShape);
  const std::int64_t first = clock.nowNs();
  r->send({SoundEvent::Kind::noteOn, 0, 60, 100, 0, 0, first});
  r->sentUpTo(first + 200 * ms);
  clock.sleepUntil(first + 140 * ms);
  r->send({SoundEvent::Kind::noteOff, 0, 60, 0, 0, 0, first + 200 * ms});
  r->finish(first + 200 * ms);

  const double tailMs = (heardEnd() - first) / 1e6 - 200;
  EXPECT_GT(tailMs, quietAfterMs);
  EXPECT_LT(tailMs, quietAfterMs + 2 * 5.4);
  const std::size_t n = device.samples.size();
  EXPECT_LE(largestStep(n - 256, n), 2 * Renderer::quietPeak);
  ASSERT_EQ(device.drains.size(), 1u);
  EXPECT_GE(device.drains.back(), device.writes.back().atNs);
  EXPECT_GE(clock.nowNs(), heardEnd());

  // A sound that never fades ends at the bound, fading out.
  ReleasingSource endless(1.0);
  FakeDevice second;
  second.clock = &clock;
  currentDevice() = &second;
  sound::forgetDeadStreams();
  {
    const auto held = renderer(endless, synthShape);
    const std::int64_t at = clock.nowNs();
    held->send({SoundEvent::Kind::noteOn, 0, 60, 100, 0, 0, at});
    held->send({SoundEvent::Kind::noteOff, 0, 60, 0, 0, 0, at + 100 * ms});
    held->finish(at + 100 * ms);
    EXPECT_NEAR((second.playedUpToNs - at) / 1e6, 100 + Renderer::longestTailNs / 1e6, 12);
    const std::size_t m = second.samples.size();
    EXPECT_LE(std::abs(second.samples[m - 1]), 60);
  }
  currentDevice() = &device;
}

TEST_F(RendererTest, AStopEndsAtOnceWithAShortFadeNotAClick) {
  sound::ToneSource tones;
  const auto r = renderer(tones, sound::ToneSource::shape(40));
  const std::int64_t first = clock.nowNs();
  r->send({SoundEvent::Kind::tone, 0, 0, 0, 440, 2000, first});
  r->sentUpTo(first + 2000 * ms);
  clock.sleepUntil(first + 500 * ms);
  r->stop();

  EXPECT_LE(clock.nowNs(), first + 500 * ms + 50 * ms);
  EXPECT_LE(heardEnd(), first + 500 * ms + 50 * ms);
  const std::size_t n = device.samples.size();
  const int steady = largestStep(n / 2, n / 2 + 4800);
  EXPECT_LE(largestStep(n - 480, n), steady + steady / 10);
  EXPECT_LE(std::abs(device.samples[n - 1]), 50);
  // The tone is cut in the source too: a later start is silent.
  r->start();
  clock.sleepUntil(clock.nowNs() + 100 * ms);
  r->stop();
  EXPECT_EQ(largestStep(n, device.samples.size()), 0);
}

}  // namespace

// The chosen volume scales what is written, sample by sample; the end of the
// tune is judged by the source's own level, so it comes at the same frame.
TEST_F(RendererTest, TheChosenVolumeScalesEverySampleWritten) {
  std::vector<std::int16_t> full;
  for (const unsigned percent : {100u, 50u}) {
    sound::Choice chosen;
    chosen.volumePercent = percent;
    sound::choose(chosen);
    device.samples.clear();
    ReleasingSource source(0.99);
    const auto r = renderer(source, synthShape);
    const std::int64_t first = clock.nowNs() + 10 * ms;
    r->send({SoundEvent::Kind::noteOn, 0, 60, 100, 0, 0, first});
    r->send({SoundEvent::Kind::noteOff, 0, 60, 0, 0, 0, first + 200 * ms});
    r->finish(first + 200 * ms);
    if (percent == 100) {
      full = device.samples;
      continue;
    }
    ASSERT_EQ(device.samples.size(), full.size());
    for (std::size_t i = 0; i < full.size(); ++i) {
      ASSERT_NEAR(device.samples[i], full[i] / 2.0, 0.5) << i;
    }
  }
  sound::choose({});
  EXPECT_GT(*std::max_element(full.begin(), full.end()), 7000);
}
