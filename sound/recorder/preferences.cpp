// The sound of a test run: everything recorded, on a machine shaped as a
// Linux one is: a MIDI output through a device, tones through a sound server
// or a device, and silence.
#include "sound/back_ends.h"
#include "sound/recorder/recorder.h"
#include "sound/silence.h"

namespace sound {
namespace {

constexpr MidiBackEnd midiBackEnds[] = {
    {"recorder", "the recorded MIDI output", Route::alsa, recorder::noMidiDevice,
     recorder::openMidiOutput, recorder::openFilePlayer, nullptr},
};
constexpr ToneBackEnd toneBackEnds[] = {
    {"recorder-server", "recorded tones through the sound server", Route::server,
     recorder::noServer, recorder::openServerTones, nullptr},
    {"recorder", "recorded tones", Route::alsa, nullptr, recorder::openTones, nullptr},
    {"silence", phrase("silence that keeps the tune's time"), Route::silence, nullptr, openSilence,
     nullptr},
};
constexpr RendererBackEnd renderers[] = {{"recorder", recorder::hasRenderer, recorder::render}};
constexpr Preferences table{midiBackEnds, toneBackEnds, renderers, nullptr};

}  // namespace

const Preferences& preferences() { return table; }

}  // namespace sound
