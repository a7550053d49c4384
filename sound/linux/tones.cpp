#include "sound/linux/tones.h"

#include <optional>

#include "sound/linux/system_clock.h"
#include "sound/render/renderer.h"
#include "sound/render/tone_source.h"
#include "sound/timeline.h"

namespace sound {
namespace {

constexpr std::int64_t nsPerMs = 1'000'000;

class StreamTones;
StreamTones* sounding = nullptr;  // the output of the run, while it is open

// Each tone goes to the renderer a queue's length before its time, with the
// time it is due; the call returns then, so lyrics written after it show as
// the tone is heard, give or take the queue.
class StreamTones final : public ToneOutput {
 public:
  StreamTones(std::unique_ptr<GuardedStream> stream, unsigned queueMs)
      : renderer_(systemClock(), source_, ToneSource::shape(queueMs), std::move(stream)) {
    sounding = this;
  }
  // The last tone sounds to its end.
  ~StreamTones() override {
    renderer_.finish(timeline_.presentMs() * nsPerMs);
    if (sounding == this) sounding = nullptr;
  }
  StreamTones(const StreamTones&) = delete;
  StreamTones& operator=(const StreamTones&) = delete;

  void tone(unsigned frequencyHz, unsigned lengthMs) override {
    const std::int64_t due = timeline_.presentMs() * nsPerMs;
    renderer_.send({SoundEvent::Kind::tone, 0, 0, 0, frequencyHz, lengthMs, due});
    // The first tone went to the stream behind its opening, sooner than
    // after waiting for it. Whether it opened is known a few milliseconds
    // later; the wait for it takes no more than the tone's own length.
    if (sayIfNotOpened_) {
      const std::optional<bool> open = renderer_.opened(systemClock().nowNs() + lengthMs * nsPerMs);
      if (open.has_value()) {
        if (!*open) sayIfNotOpened_();
        sayIfNotOpened_ = nullptr;
      }
    }
    pace(lengthMs);
  }
  void rest(unsigned lengthMs) override { pace(lengthMs); }
  void stop() override { renderer_.stop(); }
  bool opened() override { return renderer_.opened() == true; }
  void sayIfNotOpened(std::function<void()> say) override { sayIfNotOpened_ = std::move(say); }

 private:
  void pace(unsigned lengthMs) {
    renderer_.sentUpTo(timeline_.advance(lengthMs) * nsPerMs);
    timeline_.waitUntilReached(renderer_.leadMs());
  }

  ToneSource source_;
  Renderer renderer_;
  Timeline timeline_;
  std::function<void()> sayIfNotOpened_;
};

}  // namespace

std::unique_ptr<ToneOutput> openStreamTones(const StreamWay& way) {
  const RenderShape shape = ToneSource::shape(way.queueMs);
  // The renderer's thread starts while the stream opens.
  return std::make_unique<StreamTones>(startOpening(way, streamShape("Lirkel tones", shape)),
                                       way.queueMs);
}

void stopStreamTones() {
  if (sounding != nullptr) sounding->stop();
}

}  // namespace sound
