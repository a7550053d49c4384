// Starting and ending the FluidSynth synthesizer. FluidSynth's and alsa-lib's
// own messages are kept from the user: failures are reported by our texts.
#include "sound/linux/fluid_engine.h"

#include "sound/linux/alsa_quiet.h"
#include "sound/linux/stream_opening.h"
#include "sound/linux/thread_signals.h"

namespace sound::fluid {
namespace {

Engine running;

void ignoreFluidMessage(int, const char*, void*) {}

void silenceMessages(const Library& fluid) {
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
    fluid.set_log_function(level, ignoreFluidMessage, nullptr);
  }
  silenceAlsaMessages();
}

}  // namespace

void configureSynth(const Library& fluid, fluid_settings_t* settings, double sampleRate) {
  fluid.settings_setnum(settings, "synth.sample-rate", sampleRate);
  fluid.settings_setnum(settings, "synth.gain", tuneGain);
  // Samples are read when a program first needs them: a few MB instead of
  // the whole font in memory.
  fluid.settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid.settings_setint(settings, "synth.lock-memory", 0);
  fluid.settings_setint(settings, "synth.cpu-cores", 1);
}

void silenceLibraryMessages(const Library& fluid) { silenceMessages(fluid); }

bool available() { return !generalMidiSoundFont().empty() && library() != nullptr; }

Failure createSynth() {
  if (running.synth != nullptr) return {};
  const TerminatingSignalsBlocked blocked;
  running.fluid = library();
  if (running.fluid == nullptr) return "The synthesizer could not be started.";
  const Library& fluid = *running.fluid;
  silenceMessages(fluid);
  running.settings = fluid.new_settings();
  if (running.settings == nullptr) return "The synthesizer could not be started.";
  configureSynth(fluid, running.settings, playbackSampleRate);
  running.synth = fluid.new_synth(running.settings);
  if (running.synth == nullptr) {
    stopEngine();
    return "The synthesizer could not be started.";
  }
  return {};
}

Failure loadSoundFont() {
  if (running.fontLoaded) return {};
  if (Failure failure = createSynth()) return failure;
  const std::string font = generalMidiSoundFont();
  if (font.empty()) return "No General MIDI SoundFont is installed.";
  const TerminatingSignalsBlocked blocked;
  // No presets yet: the opening program change picks the organ, which saves
  // loading the piano and the drums; a MIDI file resets them when it opens.
  if (running.fluid->synth_sfload(running.synth, font.c_str(), 0) == FLUID_FAILED) {
    stopEngine();
    return "The General MIDI SoundFont could not be loaded.";
  }
  running.fontLoaded = true;
  return {};
}

Failure openAudio(StreamOpener open) {
  if (running.pump != nullptr) return {};
  // The stream opens while the synthesizer starts: PipeWire takes 10-16 ms
  // to set one up, about as long as loading the SoundFont.
  StreamOpening opening(open, {"Lirkel synthesizer", SynthPump::sampleRate, 2,
                               SynthPump::streamBufferMs, SynthPump::chunkFrames});
  if (Failure failure = loadSoundFont()) return failure;
  std::unique_ptr<SampleStream> stream = opening.take();
  if (stream == nullptr) return "No audio device could be opened for MIDI output.";
  running.pump = std::make_unique<SynthPump>(*running.fluid, running.synth, std::move(stream));
  running.opener = open;
  return {};
}

Engine& engine() { return running; }

void closeAudio() {
  if (running.pump != nullptr && !running.pump->end()) {
    // Its thread may still wake in the synthesizer: both stay for the run.
    (void)running.pump.release();
    running.abandoned = true;
  }
  running.pump.reset();
}

void stopEngine() {
  if (running.fluid == nullptr) return;
  const Library& fluid = *running.fluid;
  if (running.synth != nullptr) fluid.synth_all_sounds_off(running.synth, -1);
  closeAudio();
  if (!running.abandoned) {
    if (running.synth != nullptr) fluid.delete_synth(running.synth);
    if (running.settings != nullptr) fluid.delete_settings(running.settings);
  }
  running = Engine{};
}

}  // namespace sound::fluid
