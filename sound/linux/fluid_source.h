// The synthesizer as the renderer's source: it renders in blocks of 64
// frames and starts a note only where a block begins.
#pragma once

#include "sound/linux/fluid_library.h"
#include "sound/render/frame_source.h"
#include "sound/render/renderer.h"

namespace sound::fluid {

class SynthSource final : public FrameSource {
 public:
  // Stereo at 48 kHz, 256 frames (5.3 ms) a chunk: notes are placed and
  // the renderer woken finely, at a negligible cost (rendering 5 ms of a
  // few voices takes some 20 microseconds).
  static constexpr RenderShape shape(unsigned queueMs) { return {48000, 2, 256, 64, queueMs}; }

  SynthSource(const Library& fluid, fluid_synth_t* synth) : fluid_(fluid), synth_(synth) {}
  void render(std::int16_t* frames, std::size_t count) override;
  void apply(const SoundEvent& event) override;
  void silence() override;

 private:
  const Library& fluid_;
  fluid_synth_t* synth_;
};

}  // namespace sound::fluid
