// Any bytes as a MIDI file, or (when they do not begin as one) the large
// file they describe to the generator. The check never reads outside them,
// answers as its header check does for the first bytes, and keeps its limits
// for a file it passes. A passed file is then handed to FluidSynth's own
// player, the one the program plays files with, on a synthesizer rendered
// here without an audio device: the player must take it without an error
// (what the program would otherwise play as silence) and play what a
// generated file holds on its first tick, within a few seconds of music.
#include <fluidsynth.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "smf_generator.h"
#include "sound/smf_check.h"

namespace {

namespace smf = sound::smf;

bool playerFailed = false;
std::size_t channelEventsPlayed = 0;

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

int playEvent(void* synth, fluid_midi_event_t* event) {
  if (fluid_midi_event_get_type(event) < 0xF0) ++channelEventsPlayed;
  return fluid_synth_handle_midi_event(static_cast<fluid_synth_t*>(synth), event);
}

Synthesizer& synthesizer() {
  static Synthesizer& one = *new Synthesizer;  // kept for the whole run
  return one;
}

// Answers how many channel events the player played.
std::size_t play(const std::uint8_t* data, std::size_t size) {
  Synthesizer& s = synthesizer();
  playerFailed = false;
  channelEventsPlayed = 0;
  fluid_player_t* player = new_fluid_player(s.synth);
  fluid_player_set_playback_callback(player, playEvent, s.synth);
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
  return channelEventsPlayed;
}

// How far the generated files reached, written when the run ends.
struct Reach {
  std::size_t files = 0, played = 0, largest = 0, largestPlayed = 0;
};
Reach reach;

void reportReach() {
  std::fprintf(stderr,
               "generated files: %zu (%zu passed the check); largest %zu bytes, largest passed "
               "%zu bytes\n",
               reach.files, reach.played, reach.largest, reach.largestPlayed);
}

// channelEventsOnFirstTick: how many the player must play at once, when known.
void checkAndPlay(const std::uint8_t* data, std::size_t size, std::size_t channelEventsOnFirstTick,
                  bool generated) {
  std::int64_t playingMs = -1;
  const smf::Fault fault = smf::checkMidiFile(data, size, &playingMs);
  const smf::Fault header = smf::checkHeader(data, std::min(size, smf::headerBytes));
  if (header != smf::Fault::none && fault != header) __builtin_trap();
  if (fault != smf::Fault::none) return;
  if (header != smf::Fault::none || size > smf::largestFileBytes || playingMs < 0 ||
      playingMs > smf::longestPlayingMs) {
    __builtin_trap();
  }
  if (generated) {
    ++reach.played;
    reach.largestPlayed = std::max(reach.largestPlayed, size);
  }
  // A file the player drops whole plays nothing, without a word.
  const std::size_t played = play(data, size);
  if (played < channelEventsOnFirstTick) {
    std::fprintf(stderr, "the player played %zu channel events of the %zu on the first tick\n",
                 played, channelEventsOnFirstTick);
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit(reportReach);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || std::memcmp(data, "MThd", 4) != 0) {
    const smf_fuzz::GeneratedFile file =
        smf_fuzz::generateFile(data, size, smf::largestFileBytes);
    ++reach.files;
    reach.largest = std::max(reach.largest, file.bytes.size());
    checkAndPlay(file.bytes.data(), file.bytes.size(), file.channelEventsOnFirstTick, true);
    return 0;
  }
  checkAndPlay(data, size, 0, false);
  return 0;
}

