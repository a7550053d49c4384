// The synthesizer of a tune starts with few voices and gets more before it
// would run short: a fast tune on a pad, whose releases overlap the notes
// after them, sounds as it does with FluidSynth's full number of voices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "sound/linux/fluid_engine.h"

namespace sound::fluid {
namespace {

constexpr int pad = 88;  // over 64 voices at once in this tune, in FluidR3 and TimGM6mb
constexpr std::size_t block = 64;
constexpr std::size_t noteFrames = 125 * 48;  // notes of 125 ms at 48 kHz

// Renders the tune through `note` (on or off) and `render` (frames into
// interleaved stereo); answers the samples and the most voices sounding.
template <typename Note, typename Render, typename Voices>
std::vector<std::int16_t> playFastTune(Note note, Render render, Voices voices, int& most) {
  std::vector<std::int16_t> samples;
  const auto renderFor = [&](std::size_t frames) {
    for (std::size_t done = 0; done < frames; done += block) {
      const std::size_t at = samples.size();
      samples.resize(at + block * 2);
      render(samples.data() + at, block);
      most = std::max(most, voices());
    }
  };
  for (int n = 0; n < 24; ++n) {
    const int key = 60 + n * 5 % 14;
    note(true, key);
    renderFor(noteFrames);
    note(false, key);
  }
  renderFor(48000);  // the last releases
  return samples;
}

TEST(SynthVoices, AFastTuneOnAPadSoundsAsWithEveryVoice) {
  ASSERT_FALSE(loadSoundFont()) << "needs FluidSynth and a GM SoundFont";
  Engine& e = engine();
  const Library& fluid = *e.fluid;
  SynthSource& source = *e.source;
  source.apply({SoundEvent::Kind::programChange, 0, pad, 0, 0, 0, 0});
  int tuneMost = 0;
  const std::vector<std::int16_t> tune = playFastTune(
      [&](bool on, int key) {
        source.apply(
            {on ? SoundEvent::Kind::noteOn : SoundEvent::Kind::noteOff, 0, key, 127, 0, 0, 0});
      },
      [&](std::int16_t* frames, std::size_t count) { source.render(frames, count); },
      [&] { return fluid.synth_get_active_voice_count(e.synth); }, tuneMost);

  fluid_settings_t* settings = fluid.new_settings();
  configureSynth(fluid, settings, 48000);  // FluidSynth's own 256 voices
  fluid_synth_t* every = fluid.new_synth(settings);
  ASSERT_NE(fluid.synth_sfload(every, generalMidiSoundFont().c_str(), 0), FLUID_FAILED);
  fluid.synth_program_change(every, 0, pad);
  int everyMost = 0;
  const std::vector<std::int16_t> reference = playFastTune(
      [&](bool on, int key) {
        if (on) {
          fluid.synth_noteon(every, 0, key, 127);
        } else {
          fluid.synth_noteoff(every, 0, key);
        }
      },
      [&](std::int16_t* frames, std::size_t count) {
        fluid.synth_write_s16(every, static_cast<int>(count), frames, 0, 2, frames, 1, 2);
      },
      [&] { return fluid.synth_get_active_voice_count(every); }, everyMost);
  fluid.delete_synth(every);
  fluid.delete_settings(settings);
  stopEngine();

  // The tune needs more voices than a tune starts with.
  EXPECT_GT(everyMost, SynthSource::tuneVoices);
  EXPECT_EQ(tuneMost, everyMost);
  ASSERT_EQ(tune.size(), reference.size());
  // Voices mixed in another order may round a sample the other way; a note
  // cut short would differ by thousands.
  int worst = 0;
  for (std::size_t i = 0; i < tune.size(); ++i)
    worst = std::max(worst, std::abs(tune[i] - reference[i]));
  EXPECT_LE(worst, 2);
}

}  // namespace
}  // namespace sound::fluid
