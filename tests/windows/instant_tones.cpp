// A preference table whose tones and rests take no time, so that a whole
// library song can be played under Wine in a test; everything else of the
// program, the MIDI output included, is the real Windows build.
#include "sound/back_ends.h"
#include "sound/windows/mci_sequencer.h"
#include "sound/windows/winmm_midi_output.h"

namespace sound {
namespace {

class InstantTones final : public ToneOutput {
 public:
  void tone(unsigned, unsigned) override {}
  void rest(unsigned) override {}
};

std::unique_ptr<ToneOutput> openInstantTones() { return std::make_unique<InstantTones>(); }

constexpr MidiBackEnd midiBackEnds[] = {
    {"winmm", "the MIDI mapper", Route::system, winmm::noMidiDevice, winmm::openMapper,
     winmm::openSequencer, nullptr},
};
constexpr ToneBackEnd toneBackEnds[] = {
    {"instant", "instant tones", Route::system, nullptr, openInstantTones, nullptr}};
constexpr Preferences table{midiBackEnds, toneBackEnds, {}, nullptr};

}  // namespace

const Preferences& preferences() { return table; }

}  // namespace sound
