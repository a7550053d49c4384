// Creating and ending the FluidSynth synthesizer. FluidSynth's and alsa-lib's
// own messages are kept from the user: failures are reported by our texts.
#include "platform/linux/synth.h"

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/linux/alsa_quiet.h"

namespace platform::synth {
namespace {

void ignoreFluidMessage(int, const char*, void*) {}

void silenceMessages() {
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
    fluid_set_log_function(level, ignoreFluidMessage, nullptr);
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

// A PulseAudio-compatible server is used only when its socket is there:
// asking a missing server costs tens of milliseconds.
bool pulseServerRunning() {
  if (std::getenv("PULSE_SERVER") != nullptr) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr) return false;
  struct stat info {};
  const std::string socket = std::string(runtime) + "/pulse/native";
  return stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace

std::string errorText(unsigned code) {
  switch (code) {
    case noSoundFont:
      return "No General MIDI SoundFont is installed.";
    case synthFailed:
      return "The synthesizer could not be started.";
    case soundFontFailed:
      return "The General MIDI SoundFont could not be loaded.";
    case noAudioDevice:
      return "No audio device could be opened for MIDI output.";
    case notOpen:
      return "MIDI output is not open.";
    case fileUnreadable:
      return "The MIDI file could not be read.";
    case fileEmpty:
      return "The MIDI file is empty.";
    case notMidiFile:
      return "The file is not a Standard MIDI File.";
    case fileCutShort:
      return "The MIDI file is cut short.";
    case badChunk:
      return "The MIDI file has a chunk of impossible length.";
    case badEvent:
      return "The MIDI file holds an event that cannot be read.";
    case noTrackEnd:
      return "A track of the MIDI file has no proper end.";
    default:
      return "Unknown MIDI error " + std::to_string(code) + ".";
  }
}

Error startSynth(Synth& s, bool presetsForAllChannels) {
  silenceMessages();
  const std::string font = generalMidiSoundFont();
  if (font.empty()) return noSoundFont;
  const TerminatingSignalsBlocked blocked;
  s.settings = new_fluid_settings();
  if (s.settings == nullptr) return synthFailed;
  fluid_settings_setnum(s.settings, "synth.sample-rate", 48000.0);
  // Samples are read when a program first needs them: a few MB instead of
  // the whole font in memory.
  fluid_settings_setint(s.settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(s.settings, "synth.lock-memory", 0);
  fluid_settings_setint(s.settings, "synth.cpu-cores", 1);
  fluid_settings_setint(s.settings, "audio.period-size", 512);
  fluid_settings_setint(s.settings, "audio.periods", 3);
  s.synth = new_fluid_synth(s.settings);
  if (s.synth == nullptr) {
    stopSynth(s);
    return synthFailed;
  }
  if (fluid_synth_sfload(s.synth, font.c_str(), presetsForAllChannels ? 1 : 0) == FLUID_FAILED) {
    stopSynth(s);
    return soundFontFailed;
  }
  return noError;
}

Error startAudio(Synth& s) {
  const TerminatingSignalsBlocked blocked;
  if (pulseServerRunning()) {
    fluid_settings_setstr(s.settings, "audio.driver", "pulseaudio");
    s.driver = new_fluid_audio_driver(s.settings, s.synth);
    if (s.driver != nullptr) return noError;
  }
  fluid_settings_setstr(s.settings, "audio.driver", "alsa");
  fluid_settings_setstr(s.settings, "audio.alsa.device", "default");
  s.driver = new_fluid_audio_driver(s.settings, s.synth);
  return s.driver != nullptr ? noError : noAudioDevice;
}

void stopSynth(Synth& s) {
  if (s.synth != nullptr) fluid_synth_all_sounds_off(s.synth, -1);
  if (s.driver != nullptr) delete_fluid_audio_driver(s.driver);
  if (s.synth != nullptr) delete_fluid_synth(s.synth);
  if (s.settings != nullptr) delete_fluid_settings(s.settings);
  s = Synth{};
}

}  // namespace platform::synth
