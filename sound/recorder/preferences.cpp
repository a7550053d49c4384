// The sound of a test run: everything recorded.
#include "sound/back_ends.h"
#include "sound/recorder/recorder.h"

namespace sound {
namespace {

constexpr MidiBackEnd midiBackEnds[] = {
    {"recorder", recorder::hasMidiDevice, recorder::openMidiOutput, recorder::openFilePlayer,
     nullptr},
};
constexpr ToneBackEnd toneBackEnds[] = {{"recorder", recorder::openTones, nullptr}};
constexpr RendererBackEnd renderers[] = {{"recorder", recorder::hasRenderer, recorder::render}};
constexpr Preferences table{midiBackEnds, toneBackEnds, renderers};

}  // namespace

const Preferences& preferences() { return table; }

}  // namespace sound
