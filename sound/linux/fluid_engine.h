// The run's one General MIDI synthesizer: FluidSynth with the system's GM
// SoundFont, rendered into a sample stream (a sound server's or ALSA's) by
// the renderer. The MIDI output and the MIDI-file player share it, so a file
// needs no synthesizer of its own; it is started on first use and ended when
// the run lets go of its sound.
#pragma once

#include <memory>
#include <string>

#include "sound/failure.h"
#include "sound/linux/fluid_library.h"
#include "sound/linux/fluid_source.h"
#include "sound/linux/stream_opening.h"
#include "sound/render/renderer.h"

namespace sound::fluid {

// True when the synthesizer can be tried at all: a GM SoundFont is
// installed and the FluidSynth runtime opens.
bool available();

struct Engine {
  const Library* fluid = nullptr;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  bool fontLoaded = false;
  std::unique_ptr<SynthSource> source;
  std::unique_ptr<Renderer> renderer;  // while a stream is open
  StreamWay way{};                     // how the stream opened last
};

// The steps of starting the synthesizer, in order; each takes the steps
// before it that have not been taken, and does nothing once done.
Failure createSynth();    // the runtime, the settings and the synthesizer
Failure loadSoundFont();  // the system's GM SoundFont
// A stream for the synthesizer, opened that way; it renders from the first
// note or the start of a file. The renderer touches the synthesizer only
// while it renders: between a stop and the next start, the caller may.
Failure openAudio(const StreamWay& way);
Engine& engine();
// Cuts every sound, stops rendering and releases everything.
void stopEngine();

// The synthesizer's settings, the same whether it plays or renders.
void configureSynth(const Library& fluid, fluid_settings_t* settings, double sampleRate);
// The synthesizer's gain for a tune of single notes: as loud as the tones
// (measured RMS through a server: FluidR3 even with them, TimGM6mb some
// 2.5 dB below), where FluidSynth's own 0.2 left it some 18 dB quieter. A
// MIDI file, with its chords and many channels, plays at fileGain, which
// keeps dense files from clipping.
constexpr double tuneGain = 0.7;
constexpr float fileGain = 0.2F;
// Keeps FluidSynth's and alsa-lib's own messages from the user.
void silenceLibraryMessages(const Library& fluid);

// The GM SoundFont to load, or empty when none is installed.
std::string generalMidiSoundFont();

}  // namespace sound::fluid
