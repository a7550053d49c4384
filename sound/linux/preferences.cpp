// The sound of a Linux run, in order of preference: the synthesizer through
// a sound server, then through ALSA; without it, tones through a sound
// server, then through ALSA, then silence that keeps time. An export to WAV
// renders with the synthesizer.
#include "sound/back_ends.h"
#include "sound/linux/alsa_stream.h"
#include "sound/linux/fluid_engine.h"
#include "sound/linux/fluid_file_player.h"
#include "sound/linux/fluid_midi_output.h"
#include "sound/linux/fluid_render.h"
#include "sound/linux/server_stream.h"
#include "sound/linux/tones.h"
#include "sound/silence.h"

namespace sound {
namespace {

constexpr StreamWay throughServer{server::openStream, server::queueMs};
constexpr StreamWay throughAlsa{alsa::openStream, alsa::queueMs};

bool synthThroughServer() { return fluid::available() && server::running(); }
OpenedMidi openThroughServer() { return fluid::openMidiOutput(throughServer); }
OpenedMidi openThroughAlsa() { return fluid::openMidiOutput(throughAlsa); }

std::unique_ptr<ToneOutput> tonesThroughServer() {
  return server::running() ? openStreamTones(throughServer, Fallback::next) : nullptr;
}
// The last way before silence: a stream that does not open plays as the
// silence after it would, so the tones need not wait for the opening.
std::unique_ptr<ToneOutput> tonesThroughAlsa() {
  return openStreamTones(throughAlsa, Fallback::silence);
}

constexpr MidiBackEnd midiBackEnds[] = {
    {"fluidsynth-server", synthThroughServer, openThroughServer, fluid::openFilePlayer,
     fluid::stopEngine},
    {"fluidsynth-alsa", fluid::available, openThroughAlsa, fluid::openFilePlayer,
     fluid::stopEngine},
};

constexpr ToneBackEnd toneBackEnds[] = {
    {"server", tonesThroughServer, stopStreamTones},
    {"alsa", tonesThroughAlsa, stopStreamTones},
    {"silence", openSilence, nullptr},
};

constexpr RendererBackEnd renderers[] = {
    {"fluidsynth", fluid::available, fluid::render},
};

constexpr Preferences table{midiBackEnds, toneBackEnds, renderers};

}  // namespace

const Preferences& preferences() { return table; }

}  // namespace sound
