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

  // A tune is one line of melody, but the release of its notes overlaps
  // the notes after them: notes of 250 ms on one of FluidR3's pads keep up
  // to 48 voices sounding, and more the faster they come. The synthesizer
  // starts with tuneVoices, 2 MB less than FluidSynth's own 256, and gets
  // the 256 (as a MIDI file does at once) before a note could find fewer
  // than spareVoices free: no voice is ever taken from a note still
  // sounding that 256 would have left alone.
  static constexpr int tuneVoices = 64;
  static constexpr int fullVoices = 256;
  static constexpr int spareVoices = 16;

  // The synthesizer was created with tuneVoices.
  SynthSource(const Library& fluid, fluid_synth_t* synth) : fluid_(fluid), synth_(synth) {}
  void render(std::int16_t* frames, std::size_t count) override;
  void apply(const SoundEvent& event) override;
  void silence() override;
  // From outside the renderer, only while it does not render.
  void useFullVoices();

 private:
  const Library& fluid_;
  fluid_synth_t* synth_;
  int voices_ = tuneVoices;
};

}  // namespace sound::fluid
