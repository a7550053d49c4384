// The General MIDI synthesizer behind both the MIDI mapper and the MIDI-file
// sequencer: FluidSynth with the system's GM SoundFont, rendering to a
// running PulseAudio-compatible server or else to ALSA's "default" device.
#pragma once

#include <fluidsynth.h>

#include <string>

namespace platform::synth {

// Error codes of the Linux MIDI back end, shared by the mapper and the
// sequencer so one table of texts serves both.
enum Error : unsigned {
  noError = 0,
  noSoundFont = 1,
  synthFailed = 2,
  soundFontFailed = 3,
  noAudioDevice = 4,
  notOpen = 5,
  fileUnreadable = 10,
  fileEmpty = 11,
  notMidiFile = 12,
  fileCutShort = 13,
  badChunk = 14,
  badEvent = 15,
  noTrackEnd = 16,
};

// One short sentence naming the cause.
std::string errorText(unsigned code);

// The GM SoundFont to load, or empty when none is installed.
std::string generalMidiSoundFont();

struct Synth {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_audio_driver_t* driver = nullptr;
};

// Creates the synthesizer and loads the font (samples load on demand);
// nothing sounds yet. With presetsForAllChannels every channel gets its
// default instrument now (a file player needs them before it starts);
// without, a channel has none until a program change selects one, which
// saves loading the piano and the drums. On failure everything is released.
Error startSynth(Synth& s, bool presetsForAllChannels);
// Starts rendering to the first audio output that opens.
Error startAudio(Synth& s);
// Cuts every sound, stops rendering and releases everything, in that order.
void stopSynth(Synth& s);

}  // namespace platform::synth
