// Opening the sound of a run: the first MIDI output of the system's
// preference table that opens, a MIDI-file player on the same device, and
// tones, which always open (in silence at worst).
#pragma once

#include <memory>

#include "sound/back_ends.h"

namespace sound {

// An output, or none: with a failure text when a device was there but did
// not open, without one when there is no device at all.
OpenedMidi openMidiOutput();
// A player on the device of the MIDI output opened last (before any has
// opened, of the first back end that plays files); null when none does.
std::unique_ptr<MidiFilePlayer> openMidiFilePlayer();
std::unique_ptr<ToneOutput> openToneOutput();
// Whether a recording of MIDI messages can be rendered into samples here.
bool canRenderMidi();
Failure renderMidi(const Recording& recording, std::int64_t endMs, SampleSink& sink);
// Lets go of everything the back ends keep for the run.
void closeAll();

}  // namespace sound
