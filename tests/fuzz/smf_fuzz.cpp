// Any bytes as a MIDI file. The check never reads outside them, answers as
// its header check does for the first bytes, and keeps its limits for a file
// it passes. A passed file is then handed to FluidSynth's own player, the one
// the program plays files with, on a synthesizer rendered here without an
// audio device: the player must take it without an error (what the program
// would otherwise play as silence), within a few seconds of music.
#include <fluidsynth.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "sound/smf_check.h"

namespace {

namespace smf = sound::smf;

bool playerFailed = false;

void noteError(int, const char* message, void*) {
  std::fprintf(stderr, "FluidSynth: %s\n", message);
  playerFailed = true;
}
void dropMessage(int, const char*, void*) {}

struct Synthesizer {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;

  Synthesizer() {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
      fluid_set_log_function(level, level <= FLUID_ERR ? noteError : dropMessage, nullptr);
    }
    settings = new_fluid_settings();
    // The player advances with the samples rendered, not with the clock.
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    synth = new_fluid_synth(settings);
  }
};

Synthesizer& synthesizer() {
  static Synthesizer& one = *new Synthesizer;  // kept for the whole run
  return one;
}

void play(const std::uint8_t* data, std::size_t size) {
  Synthesizer& s = synthesizer();
  playerFailed = false;
  fluid_player_t* player = new_fluid_player(s.synth);
  fluid_player_add_mem(player, data, size);
  fluid_player_play(player);
  // Two seconds of music at most: the player reads the whole file first.
  constexpr int blockFrames = 4096;
  static float left[blockFrames], right[blockFrames];
  for (int block = 0; block < 22 && fluid_player_get_status(player) == FLUID_PLAYER_PLAYING;
       ++block) {
    fluid_synth_write_float(s.synth, blockFrames, left, 0, 1, right, 0, 1);
  }
  fluid_player_stop(player);
  delete_fluid_player(player);
  fluid_synth_system_reset(s.synth);
  if (playerFailed) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::int64_t playingMs = -1;
  const smf::Fault fault = smf::checkMidiFile(data, size, &playingMs);
  const smf::Fault header = smf::checkHeader(data, std::min(size, smf::headerBytes));
  if (header != smf::Fault::none && fault != header) __builtin_trap();
  if (fault != smf::Fault::none) return 0;
  if (header != smf::Fault::none || size > smf::largestFileBytes || playingMs < 0 ||
      playingMs > smf::longestPlayingMs) {
    __builtin_trap();
  }
  play(data, size);
  return 0;
}
