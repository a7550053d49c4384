#include "sound/linux/fluid_render.h"

#include <algorithm>
#include <cstdlib>

#include "sound/linux/fluid_engine.h"
#include "sound/linux/soundfont.h"

namespace sound::fluid {
namespace {

constexpr unsigned renderRate = 44100;
constexpr unsigned channels = 2;
// After the tune, the last notes' release is rendered until a block is this
// quiet, or for this long at most.
constexpr int silentPeak = 8;
constexpr unsigned tailBlockFrames = renderRate / 20;
constexpr unsigned longestTailFrames = 4 * renderRate;
// What the sink gets at a time: the memory an export takes, whatever the
// tune's length.
constexpr std::size_t blockFrames = 8192;

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

  // Renders frames of interleaved stereo in place of the samples.
  void write(std::vector<std::int16_t>& samples, std::size_t frames) {
    samples.resize(frames * channels);
    fluid_.synth_write_s16(synth, static_cast<int>(frames), samples.data(), 0, 2,
                           samples.data(), 1, 2);
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

// Renders up to a frame, block by block, into the sink.
class Stream {
 public:
  Stream(OfflineSynth& synth, SampleSink& sink) : synth_(synth), sink_(sink) {}
  // False once the sink could not keep what it was given.
  bool renderTo(std::size_t frame) {
    while (frames_ < frame) {
      const std::size_t count = std::min(blockFrames, frame - frames_);
      synth_.write(block_, count);
      frames_ += count;
      if (!sink_.take(block_)) return false;
    }
    return true;
  }
  const std::vector<std::int16_t>& lastBlock() const { return block_; }
  std::size_t frames() const { return frames_; }

 private:
  OfflineSynth& synth_;
  SampleSink& sink_;
  std::vector<std::int16_t> block_;
  std::size_t frames_ = 0;
};

}  // namespace

Failure render(const Recording& recording, std::int64_t endMs, SampleSink& sink,
               std::string& about) {
  const Library* fluid = library();
  if (fluid == nullptr) return "The synthesizer library FluidSynth is not installed.";
  if (Failure problem = soundFontProblem()) {
    about = soundFontName();
    return problem;
  }
  const std::string font = generalMidiSoundFont();
  if (font.empty()) return "No General MIDI SoundFont is installed.";
  silenceLibraryMessages(*fluid);
  OfflineSynth offline(*fluid);
  offline.settings = fluid->new_settings();
  if (offline.settings == nullptr) return notStarted;
  configureSynth(*fluid, offline.settings, renderRate);
  offline.synth = fluid->new_synth(offline.settings);
  if (offline.synth == nullptr) return notStarted;
  if (fluid->synth_sfload(offline.synth, font.c_str(), 0) == FLUID_FAILED) {
    about = soundFontName();
    return "The General MIDI SoundFont could not be loaded.";
  }

  sink.start(renderRate, channels);
  Stream stream(offline, sink);
  for (const RecordedEvent& event : recording) {
    if (event.kind != RecordedEvent::Kind::message) continue;
    if (!stream.renderTo(framesAt(event.atMs))) return {};
    offline.send(event.bytes);
  }
  if (!stream.renderTo(framesAt(endMs))) return {};
  for (unsigned tail = 0; tail < longestTailFrames; tail += tailBlockFrames) {
    if (!stream.renderTo(stream.frames() + tailBlockFrames)) return {};
    const std::vector<std::int16_t>& block = stream.lastBlock();
    const auto loudest = std::max_element(
        block.begin(), block.end(),
        [](std::int16_t a, std::int16_t b) { return std::abs(a) < std::abs(b); });
    if (std::abs(*loudest) <= silentPeak) break;
  }
  return {};
}

}  // namespace sound::fluid
