// The sound of a Linux run, in order of preference: the synthesizer through
// a sound server, then through ALSA; without it, tones through a sound
// server, then through ALSA, then silence that keeps time. An export to WAV
// renders with the synthesizer.
#include "sound/back_ends.h"
#include "sound/choice.h"
#include "sound/linux/alsa_stream.h"
#include "sound/linux/fluid_engine.h"
#include "sound/linux/fluid_file_player.h"
#include "sound/linux/fluid_midi_output.h"
#include "sound/linux/fluid_render.h"
#include "sound/linux/server_stream.h"
#include "sound/linux/sound_check.h"
#include "sound/linux/tones.h"
#include "sound/silence.h"

namespace sound {
namespace {

constexpr StreamWay throughServer{server::openStream, server::queueMs};
constexpr StreamWay throughAlsa{alsa::openStream, alsa::queueMs};

// The synthesizer is tried when it can play; when the user asked for it,
// always, so that it says why it cannot.
const char* synthAbsent() {
  if (synthAsked()) return nullptr;
  if (fluid::generalMidiSoundFont().empty()) return phrase("no SoundFont was found");
  if (fluid::library() == nullptr) return phrase("the synthesizer library is not installed");
  return nullptr;
}
const char* serverAbsent() {
  return server::running() ? nullptr : phrase("no sound server is running");
}
const char* synthThroughServerAbsent() {
  const char* why = synthAbsent();
  return why != nullptr ? why : serverAbsent();
}
bool canRender() { return synthAsked() || fluid::available(); }

OpenedMidi openThroughServer() { return fluid::openMidiOutput(throughServer); }
OpenedMidi openThroughAlsa() { return fluid::openMidiOutput(throughAlsa); }
std::unique_ptr<ToneOutput> tonesThroughServer() { return openStreamTones(throughServer); }
std::unique_ptr<ToneOutput> tonesThroughAlsa() { return openStreamTones(throughAlsa); }

constexpr MidiBackEnd midiBackEnds[] = {
    {"fluidsynth-server", phrase("the synthesizer through the sound server"), Route::server,
     synthThroughServerAbsent, openThroughServer, fluid::openFilePlayer, fluid::stopEngine},
    {"fluidsynth-alsa", phrase("the synthesizer through ALSA"), Route::alsa, synthAbsent,
     openThroughAlsa, fluid::openFilePlayer, fluid::stopEngine},
};

constexpr ToneBackEnd toneBackEnds[] = {
    {"server", phrase("tones through the sound server"), Route::server, serverAbsent,
     tonesThroughServer, stopStreamTones},
    {"alsa", phrase("tones through ALSA"), Route::alsa, nullptr, tonesThroughAlsa, stopStreamTones},
    {"silence", phrase("silence that keeps the tune's time"), Route::silence, nullptr, openSilence,
     nullptr},
};

constexpr RendererBackEnd renderers[] = {
    {"fluidsynth", canRender, fluid::render},
};

constexpr Preferences table{midiBackEnds, toneBackEnds, renderers, describeMachine};

}  // namespace

const Preferences& preferences() { return table; }

}  // namespace sound
