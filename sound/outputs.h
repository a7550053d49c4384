// Opening the sound of a run: the first MIDI output of the system's
// preference table that opens, a MIDI-file player on the same device, and
// tones, which always open (in silence at worst). The user's choice
// (choice.h) passes over rows of the table here, and nowhere else.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "sound/back_ends.h"

namespace sound {

// An output, or none: with a failure text when a device was there but did
// not open, without one when there is no device at all (or when the tones
// will say it, see OpenedTones).
OpenedMidi openMidiOutput();
// A player on the device of the MIDI output opened last (before any has
// opened, of the first back end that plays files); null when none does.
std::unique_ptr<MidiFilePlayer> openMidiFilePlayer();

struct OpenedTones {
  std::unique_ptr<ToneOutput> output;  // never null
  // To say before the tune: that nothing audible will play and why (unless
  // the user asked for no sound), or else why the synthesizer tried before
  // found no device. With what it is about (a device), when it names one.
  Failure failure;
  std::string about{};
};
// Says a failure, with what it is about (a device) when it names one.
using SayFailure = void (*)(std::string_view text, std::string_view about);
// With `sayLater`, tones through the last device before silence do not wait
// for it to open, and that it did not is said through it, during the first
// tone (the tune keeps its time in silence as the silence after it would).
OpenedTones openToneOutput(SayFailure sayLater = nullptr);

// Whether a recording of MIDI messages can be rendered into samples here
// (and the user did not ask for tones).
bool canRenderMidi();
Failure renderMidi(const Recording& recording, std::int64_t endMs, SampleSink& sink,
                   std::string& about);

// What a tune would play through and why, one line a step: the choice, the
// machine (describe), then each row tried in turn, as a tune tries them,
// opened and closed again without a sound, up to the one that plays.
struct SoundCheck {
  std::vector<CheckLine> lines;
  bool audible = false;
};
SoundCheck checkSound();

// Lets go of everything the back ends keep for the run.
void closeAll();

}  // namespace sound
