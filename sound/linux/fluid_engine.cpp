// Starting and ending the FluidSynth synthesizer. FluidSynth's and alsa-lib's
// own messages are kept from the user: failures are reported by our texts.
#include "sound/linux/fluid_engine.h"

#include "sound/linux/alsa_quiet.h"
#include "sound/linux/huge_page_heap.h"
#include "sound/linux/mapped_soundfont.h"
#include "sound/linux/system_clock.h"
#include "sound/linux/thread_signals.h"

namespace sound::fluid {
namespace {

Engine running;

constexpr double playbackSampleRate = SynthSource::shape(0).sampleRate;

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
  // Threads the library starts take no terminating signal.
  const TerminatingSignalsBlocked blocked;
  running.fluid = library();
  if (running.fluid == nullptr) return "The synthesizer could not be started.";
  const Library& fluid = *running.fluid;
  silenceMessages(fluid);
  reserveHugePageHeap();  // before the synthesizer and its SoundFont allocate
  running.settings = fluid.new_settings();
  if (running.settings == nullptr) return "The synthesizer could not be started.";
  configureSynth(fluid, running.settings, playbackSampleRate);
  fluid.settings_setint(running.settings, "synth.polyphony", SynthSource::tuneVoices);
  running.synth = fluid.new_synth(running.settings);
  if (running.synth == nullptr) {
    stopEngine();
    return "The synthesizer could not be started.";
  }
  readSoundFontsMapped(fluid, running.settings, running.synth);
  running.source = std::make_unique<SynthSource>(fluid, running.synth);
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

Failure openAudio(const StreamWay& way) {
  if (running.renderer != nullptr) return {};
  const RenderShape shape = SynthSource::shape(way.queueMs);
  // The stream opens while the synthesizer starts: PipeWire takes 10-16 ms
  // to set one up, about as long as loading the SoundFont.
  std::unique_ptr<GuardedStream> stream = startOpening(way, streamShape("Lirkel synthesizer", shape));
  if (Failure failure = loadSoundFont()) return failure;
  if (!stream->opened()) return "No audio device could be opened for MIDI output.";
  running.renderer =
      std::make_unique<Renderer>(systemClock(), *running.source, shape, std::move(stream));
  running.way = way;
  return {};
}

Engine& engine() { return running; }

void stopEngine() {
  if (running.fluid == nullptr) return;
  const Library& fluid = *running.fluid;
  running.renderer.reset();  // stops at once, and touches the synthesizer no more
  if (running.synth != nullptr) {
    fluid.synth_all_sounds_off(running.synth, -1);
    fluid.delete_synth(running.synth);
  }
  if (running.settings != nullptr) fluid.delete_settings(running.settings);
  running = Engine{};
}

}  // namespace sound::fluid
