// What the user chose to hear, read once before anything sounds (from the
// switches and the environment, by the driver): what plays, through which
// device, with which SoundFont, how loud. The preference table's rows are
// filtered by it in one place (outputs.cpp); a back end reads the device
// and the SoundFont from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sound {

enum class SoundKind {
  automatic,  // the table's order: the synthesizer, else tones, else silence
  synth,      // the same, but a synthesizer that cannot play says why
  tones,      // tones even where a synthesizer could play
  silent,     // nothing sounds; every note and rest keeps its time
  off,        // nothing sounds and nothing waits: the text comes at once
};

// Each choice with where it was made ("--volume", "LIRKEL_VOLUME"), for
// the messages that name it.
struct Choice {
  SoundKind sound = SoundKind::automatic;
  std::string soundFrom;
  // A SoundFont the user named (Windows-1252). Empty: the usual places are
  // searched.
  std::string soundFont;
  std::string soundFontFrom;
  // An ALSA PCM name, or "pulse" for the sound server; empty: the system's
  // own way (a running server, else ALSA's "default").
  std::string device;
  std::string deviceFrom;
  // Of the usual level, 0 to 100.
  unsigned volumePercent = 100;
  std::string volumeFrom;
};

// The device name that means the sound server.
inline constexpr const char* serverDevice = "pulse";

const Choice& choice();
// Set before the first sound opens; back to the defaults with Choice{}.
void choose(Choice chosen);

// Whether the user asked for the synthesizer (by --sound=synth or by naming
// a SoundFont): then one that cannot play says why.
bool synthAsked();
// Whether the user asked for no sound at all (silent or off): then silence
// is no news.
bool quietAsked();

// Scales 16-bit samples to the chosen volume, in place.
void applyVolume(std::int16_t* samples, std::size_t count);

}  // namespace sound
