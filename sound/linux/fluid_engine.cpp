// Starting and ending the FluidSynth synthesizer. FluidSynth's and alsa-lib's
// own messages are kept from the user: failures are reported by our texts.
#include "sound/linux/fluid_engine.h"

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

#include "sound/linux/alsa_quiet.h"
#include "sound/linux/stream_names.h"

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

// Threads started by FluidSynth (audio, sample loading) inherit the signal
// mask of their creator. With the terminating signals blocked there, those
// signals always reach the main thread, whose waits end the process cleanly.
class TerminatingSignalsBlocked {
 public:
  TerminatingSignalsBlocked() {
    sigset_t all;
    sigfillset(&all);
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT}) sigdelset(&all, fault);
    pthread_sigmask(SIG_BLOCK, &all, &saved_);
  }
  ~TerminatingSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  TerminatingSignalsBlocked(const TerminatingSignalsBlocked&) = delete;
  TerminatingSignalsBlocked& operator=(const TerminatingSignalsBlocked&) = delete;

 private:
  sigset_t saved_{};
};

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

bool soundServerRunning() {
  if (std::getenv("PULSE_SERVER") != nullptr) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr) return false;
  struct stat info {};
  const std::string socket = std::string(runtime) + "/pulse/native";
  return stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

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

Failure startAudio(const char* audioDriver) {
  if (running.driver != nullptr) return {};
  if (Failure failure = loadSoundFont()) return failure;
  const TerminatingSignalsBlocked blocked;
  const Library& fluid = *running.fluid;
  nameSoundStreams();
  fluid.settings_setstr(running.settings, "audio.driver", audioDriver);
  fluid.settings_setstr(running.settings, "audio.alsa.device", "default");
  // A sound server mixes many clients and may be slow to ask for more when
  // the cores are busy: 4 periods of 1024 frames (85 ms at 48 kHz) ride
  // that out, where FluidSynth's own request (about 11 ms) dropped out. An
  // ALSA device is fed by FluidSynth's own thread: 3 periods of 512 frames
  // (32 ms). The driver starts with the first note, so neither delays it.
  const bool server = std::string_view(audioDriver) == "pulseaudio";
  fluid.settings_setint(running.settings, "audio.period-size", server ? 1024 : 512);
  fluid.settings_setint(running.settings, "audio.periods", server ? 4 : 3);
  fluid.settings_setstr(running.settings, "audio.pulseaudio.media-role", "music");
  running.driver = fluid.new_audio_driver(running.settings, running.synth);
  if (running.driver == nullptr) return "No audio device could be opened for MIDI output.";
  running.driverName = audioDriver;
  return {};
}

Engine& engine() { return running; }

void stopAudio() {
  if (running.driver == nullptr) return;
  running.fluid->delete_audio_driver(running.driver);
  running.driver = nullptr;
}

void stopEngine() {
  if (running.fluid == nullptr) return;
  const Library& fluid = *running.fluid;
  if (running.synth != nullptr) fluid.synth_all_sounds_off(running.synth, -1);
  stopAudio();
  if (running.synth != nullptr) fluid.delete_synth(running.synth);
  if (running.settings != nullptr) fluid.delete_settings(running.settings);
  running = Engine{};
}

}  // namespace sound::fluid
