// The sound of a Windows run: the MIDI mapper when a MIDI output device
// exists, else Beep tones; silence only when the user asks for it.
#include <string>

#include "sound/back_ends.h"
#include "sound/silence.h"
#include "sound/windows/beep_tones.h"
#include "sound/windows/mci_sequencer.h"
#include "sound/windows/winmm_midi_output.h"

namespace sound {
namespace {

void describeMachine(std::vector<CheckLine>& lines) {
  lines.push_back({phrase("MIDI output devices: %s."), {{std::to_string(winmm::midiDeviceCount())}}});
}

constexpr MidiBackEnd midiBackEnds[] = {
    {"winmm", phrase("the MIDI mapper"), Route::system, winmm::noMidiDevice, winmm::openMapper,
     winmm::openSequencer, nullptr},
};

constexpr ToneBackEnd toneBackEnds[] = {
    {"beep", phrase("tones on the speaker (Beep)"), Route::system, nullptr, beep::openTones, nullptr},
    {"silence", phrase("silence that keeps the tune's time"), Route::silence, nullptr, openSilence,
     nullptr},
};

// FluidSynth is not part of the Windows program: an export to WAV is tones.
constexpr Preferences table{midiBackEnds, toneBackEnds, {}, describeMachine};

}  // namespace

const Preferences& preferences() { return table; }

}  // namespace sound
