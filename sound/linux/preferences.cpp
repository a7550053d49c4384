// The sound of a Linux run, in order of preference: the synthesizer through
// a sound server, then through ALSA; without it, tones through ALSA, then
// silence that keeps time. An export to WAV renders with the synthesizer.
#include "sound/back_ends.h"
#include "sound/linux/alsa_tones.h"
#include "sound/linux/fluid_engine.h"
#include "sound/linux/fluid_file_player.h"
#include "sound/linux/fluid_midi_output.h"
#include "sound/linux/fluid_render.h"
#include "sound/silence.h"

namespace sound {
namespace {

bool synthThroughServer() { return fluid::available() && fluid::soundServerRunning(); }
OpenedMidi openThroughServer() { return fluid::openMidiOutput("pulseaudio"); }
OpenedMidi openThroughAlsa() { return fluid::openMidiOutput("alsa"); }

constexpr MidiBackEnd midiBackEnds[] = {
    {"fluidsynth-server", synthThroughServer, openThroughServer, fluid::openFilePlayer,
     fluid::stopEngine},
    {"fluidsynth-alsa", fluid::available, openThroughAlsa, fluid::openFilePlayer,
     fluid::stopEngine},
};

constexpr ToneBackEnd toneBackEnds[] = {
    {"alsa", alsa::openTones},
    {"silence", openSilence},
};

constexpr RendererBackEnd renderers[] = {
    {"fluidsynth", fluid::available, fluid::render},
};

constexpr Preferences table{midiBackEnds, toneBackEnds, renderers};

}  // namespace

const Preferences& preferences() { return table; }

}  // namespace sound
