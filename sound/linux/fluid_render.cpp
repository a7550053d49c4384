#include "sound/linux/fluid_render.h"

#include <algorithm>
#include <cstdlib>

#include "sound/linux/fluid_engine.h"

namespace sound::fluid {
namespace {

constexpr unsigned renderRate = 44100;
constexpr unsigned channels = 2;
// After the tune, the last notes' release is rendered until a block is this
// quiet, or for this long at most.
constexpr int silentPeak = 8;
constexpr unsigned tailBlockFrames = renderRate / 20;
constexpr unsigned longestTailFrames = 4 * renderRate;

const char* const notStarted = "The synthesizer could not be started.";

// One synthesizer for one rendering, released on every way out.
class OfflineSynth {
 public:
  explicit OfflineSynth(const Library& fluid) : fluid_(fluid) {}
  ~OfflineSynth() {
    if (synth != nullptr) fluid_.delete_synth(synth);
    if (settings != nullptr) fluid_.delete_settings(settings);
  }
  OfflineSynth(const OfflineSynth&) = delete;
  OfflineSynth& operator=(const OfflineSynth&) = delete;

  // Appends frames of interleaved stereo.
  void write(std::vector<std::int16_t>& samples, std::size_t frames) {
    const std::size_t start = samples.size();
    samples.resize(start + frames * channels);
    fluid_.synth_write_s16(synth, static_cast<int>(frames), samples.data() + start, 0, 2,
                           samples.data() + start, 1, 2);
  }

  void send(const std::array<std::uint8_t, 3>& message) {
    const int channel = message[0] & 0x0F;
    switch (message[0] & 0xF0) {
      case 0x90:
        if (message[2] != 0) {
          fluid_.synth_noteon(synth, channel, message[1], message[2]);
          break;
        }
        [[fallthrough]];
      case 0x80:
        fluid_.synth_noteoff(synth, channel, message[1]);
        break;
      case 0xC0:
        fluid_.synth_program_change(synth, channel, message[1]);
        break;
      default:
        break;
    }
  }

  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;

 private:
  const Library& fluid_;
};

std::size_t framesAt(std::int64_t ms) {
  return static_cast<std::size_t>(ms) * renderRate / 1000;
}

}  // namespace

Failure render(const Recording& recording, std::int64_t endMs, RenderedSound& sound) {
  const Library* fluid = library();
  const std::string font = generalMidiSoundFont();
  if (fluid == nullptr || font.empty()) return notStarted;
  silenceLibraryMessages(*fluid);
  OfflineSynth offline(*fluid);
  offline.settings = fluid->new_settings();
  if (offline.settings == nullptr) return notStarted;
  configureSynth(*fluid, offline.settings, renderRate);
  offline.synth = fluid->new_synth(offline.settings);
  if (offline.synth == nullptr) return notStarted;
  if (fluid->synth_sfload(offline.synth, font.c_str(), 0) == FLUID_FAILED) {
    return "The General MIDI SoundFont could not be loaded.";
  }

  sound = RenderedSound{{}, renderRate, channels};
  std::vector<std::int16_t>& samples = sound.samples;
  samples.reserve(framesAt(endMs) * channels + longestTailFrames * channels);
  for (const RecordedEvent& event : recording) {
    if (event.kind != RecordedEvent::Kind::message) continue;
    const std::size_t due = framesAt(event.atMs);
    if (due > samples.size() / channels) offline.write(samples, due - samples.size() / channels);
    offline.send(event.bytes);
  }
  const std::size_t end = framesAt(endMs);
  if (end > samples.size() / channels) offline.write(samples, end - samples.size() / channels);
  for (unsigned tail = 0; tail < longestTailFrames; tail += tailBlockFrames) {
    const std::size_t from = samples.size();
    offline.write(samples, tailBlockFrames);
    const auto loudest = std::max_element(samples.begin() + static_cast<std::ptrdiff_t>(from),
                                          samples.end(), [](std::int16_t a, std::int16_t b) {
                                            return std::abs(a) < std::abs(b);
                                          });
    if (std::abs(*loudest) <= silentPeak) break;
  }
  return {};
}

}  // namespace sound::fluid
