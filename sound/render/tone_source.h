// Tones as the renderer plays them: the tone generator, fed with tones and
// the times they are due, one channel at its rate.
#pragma once

#include "sound/render/frame_source.h"
#include "sound/render/renderer.h"
#include "sound/tone_generator.h"

namespace sound {

class ToneSource final : public FrameSource {
 public:
  // Chunks of 5 ms (a stop is heard within a queue and a chunk), any
  // frame an event's place.
  static constexpr RenderShape shape(unsigned queueMs) {
    return {ToneGenerator::sampleRate, 1, 5 * ToneGenerator::framesPerMs, 1, queueMs};
  }
  void render(std::int16_t* frames, std::size_t count) override { generator_.render(frames, count); }
  void apply(const SoundEvent& event) override {
    if (event.kind == SoundEvent::Kind::tone) {
      generator_.start(event.frequencyHz, std::size_t{event.lengthMs} * ToneGenerator::framesPerMs);
    }
  }
  void silence() override { generator_.cut(); }

 private:
  ToneGenerator generator_;
};

}  // namespace sound
