// The shape of a sound back end as the preference table lists it. Each
// system has one table (preferences.cpp beside its back ends), in order of
// preference; outputs.cpp walks it, and every fallback is an entry there.
#pragma once

#include <memory>
#include <cstdint>
#include <span>
#include <vector>

#include "sound/failure.h"
#include "sound/midi_file_player.h"
#include "sound/midi_output.h"
#include "sound/recording.h"
#include "sound/tone_output.h"

namespace sound {

struct OpenedMidi {
  std::unique_ptr<MidiOutput> output;
  Failure failure;  // when there is no output: why, in the system's words
};

struct MidiBackEnd {
  const char* name;
  // False when this back end has nothing to offer on this machine (no
  // device, no synthesizer): the next one is tried without a word.
  bool (*present)();
  OpenedMidi (*open)();
  // A player for MIDI files on the same device, or none.
  std::unique_ptr<MidiFilePlayer> (*openFilePlayer)();
  // Lets go of what the back end keeps between outputs; may be null.
  void (*release)();
};

struct ToneBackEnd {
  const char* name;
  // Null when the back end cannot play here.
  std::unique_ptr<ToneOutput> (*open)();
  // Ends at once what an output of it still sounds (the run ends); may be null.
  void (*release)();
};

// Turns a recording of MIDI messages into samples as fast as it can, with
// the release of the last notes after its end, handing them to the sink a
// block at a time. A failure is answered before the sink gets anything.
struct RendererBackEnd {
  const char* name;
  bool (*present)();
  Failure (*render)(const Recording& recording, std::int64_t endMs, SampleSink& sink);
};

struct Preferences {
  std::span<const MidiBackEnd> midi;
  std::span<const ToneBackEnd> tones;  // the last entry always opens
  std::span<const RendererBackEnd> renderers;
};

// The table of this system; defined once per system.
const Preferences& preferences();

}  // namespace sound
