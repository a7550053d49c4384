// The sound of a Windows run: the MIDI mapper when a MIDI output device
// exists, else Beep tones.
#include "sound/back_ends.h"
#include "sound/windows/beep_tones.h"
#include "sound/windows/mci_sequencer.h"
#include "sound/windows/winmm_midi_output.h"

namespace sound {
namespace {

constexpr MidiBackEnd midiBackEnds[] = {
    {"winmm", winmm::hasMidiDevice, winmm::openMapper, winmm::openSequencer, nullptr},
};

constexpr ToneBackEnd toneBackEnds[] = {
    {"beep", beep::openTones, nullptr},
};

// FluidSynth is not part of the Windows program: an export to WAV is tones.
constexpr Preferences table{midiBackEnds, toneBackEnds, {}};

}  // namespace

const Preferences& preferences() { return table; }

}  // namespace sound
