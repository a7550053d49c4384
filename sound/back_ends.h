// The shape of a sound back end as the preference table lists it. Each
// system has one table (preferences.cpp beside its back ends), in order of
// preference; outputs.cpp walks it, and every fallback is an entry there.
#pragma once

#include <memory>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sound/failure.h"
#include "sound/midi_file_player.h"
#include "sound/midi_output.h"
#include "sound/recording.h"
#include "sound/tone_output.h"

namespace sound {

// How a back end's sound reaches the ear: the device the user chose picks
// the rows by it, and silence is told from sound by it.
enum class Route {
  server,   // a sound server (PulseAudio, PipeWire)
  alsa,     // an ALSA device
  system,   // the system's own (the Windows MIDI mapper, Beep; the tests' recorder)
  silence,  // nothing audible: the time is kept
};

struct OpenedMidi {
  std::unique_ptr<MidiOutput> output;
  Failure failure;  // when there is no output: why, in the system's words
  // The file or device the failure is about (a SoundFont, an ALSA device),
  // when it is about one.
  std::string about{};
  // The output itself was ready but no device took its sound: the tones,
  // which try the same devices, say so if they cannot play either.
  bool noDevice = false;
};

// A line of what --sound-check writes: an English text (see phrase()) whose
// every %s is a value, itself translated when it is words of the program.
struct CheckValue {
  std::string text;
  bool words = false;
};
struct CheckLine {
  const char* text;
  std::vector<CheckValue> values;
};

struct MidiBackEnd {
  const char* name;
  const char* label;  // what --sound-check calls it (a phrase)
  Route route;
  // Null when this back end can be tried on this machine; else why not, in
  // a few words (no device, no synthesizer): the next one is tried without
  // a word.
  const char* (*absent)();
  OpenedMidi (*open)();
  // A player for MIDI files on the same device, or none.
  std::unique_ptr<MidiFilePlayer> (*openFilePlayer)();
  // Lets go of what the back end keeps between outputs; may be null.
  void (*release)();
};

struct ToneBackEnd {
  const char* name;
  const char* label;
  Route route;
  // As for MIDI; may be null (always tried).
  const char* (*absent)();
  // Null when the back end cannot play here.
  std::unique_ptr<ToneOutput> (*open)();
  // Ends at once what an output of it still sounds (the run ends); may be null.
  void (*release)();
};

// Turns a recording of MIDI messages into samples as fast as it can, with
// the release of the last notes after its end, handing them to the sink a
// block at a time. A failure is answered before the sink gets anything,
// with what it is about (a SoundFont) when it is about a file.
struct RendererBackEnd {
  const char* name;
  bool (*present)();
  Failure (*render)(const Recording& recording, std::int64_t endMs, SampleSink& sink,
                    std::string& about);
};

struct Preferences {
  std::span<const MidiBackEnd> midi;
  std::span<const ToneBackEnd> tones;  // the last entry always opens
  std::span<const RendererBackEnd> renderers;
  // What --sound-check says of the machine before the rows (the libraries,
  // the SoundFont, the server, the device); may be null.
  void (*describe)(std::vector<CheckLine>& lines);
};

// The table of this system; defined once per system.
const Preferences& preferences();

}  // namespace sound
