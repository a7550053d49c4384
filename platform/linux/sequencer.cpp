// The MIDI-file sequencer on Linux: FluidSynth's player on a synthesizer of
// its own, playing in the background. The file is checked before anything
// plays; the player would take any bytes and fail later without a word.
//
// The order of starting and ending matters: a player is deleted only after
// its audio driver has stopped rendering, and only once it has been stopped
// (which cuts its held notes).
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "text/codepage.h"
#include "platform/linux/signals.h"
#include "platform/linux/smf_check.h"
#include "platform/linux/synth.h"
#include "platform/platform.h"

namespace platform {
namespace {

constexpr unsigned sequencerDevice = 1;
// After its last event a file still sounds while its last notes fade; the
// player would wait for total silence, which can take seconds or, with a
// note that never fades, for ever.
constexpr std::int64_t fadeAfterEndMs = 1000;

struct Sequencer {
  synth::Synth output;
  fluid_player_t* player = nullptr;
  std::int64_t lastEventPassedAtMs = -1;  // when the player passed the last event
};

Sequencer sequencer;

bool isOpen(unsigned device) { return device == sequencerDevice && sequencer.player != nullptr; }

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::uint8_t block[65536];
  ssize_t count;
  while ((count = read(fd, block, sizeof block)) > 0)
    bytes.insert(bytes.end(), block, block + count);
  close(fd);
  return count == 0;
}

}  // namespace

unsigned mciOpenSequencer(const std::string& path, unsigned& device) {
  if (sequencer.player != nullptr) mciClose(sequencerDevice);
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(cp1252::cp1252ToUtf8(path), bytes)) return synth::fileUnreadable;
  if (const synth::Error error = smf::checkMidiFile(bytes.data(), bytes.size())) return error;
  if (const synth::Error error = synth::startSynth(sequencer.output, true)) return error;
  sequencer.player = new_fluid_player(sequencer.output.synth);
  // The player keeps its own copy of the bytes.
  if (sequencer.player == nullptr ||
      fluid_player_add_mem(sequencer.player, bytes.data(), bytes.size()) != FLUID_OK) {
    if (sequencer.player != nullptr) delete_fluid_player(sequencer.player);
    sequencer.player = nullptr;
    synth::stopSynth(sequencer.output);
    return synth::synthFailed;
  }
  sequencer.lastEventPassedAtMs = -1;
  device = sequencerDevice;
  return midiNoError;
}

unsigned mciStatusPort(unsigned device) { return isOpen(device) ? midiNoError : synth::notOpen; }

unsigned mciPlay(unsigned device) {
  if (!isOpen(device)) return synth::notOpen;
  if (sequencer.output.driver == nullptr) {
    if (const synth::Error error = synth::startAudio(sequencer.output)) return error;
  }
  return fluid_player_play(sequencer.player) == FLUID_OK ? midiNoError : synth::synthFailed;
}

bool mciIsPlaying(unsigned device) {
  if (!isOpen(device) || fluid_player_get_status(sequencer.player) != FLUID_PLAYER_PLAYING) {
    return false;
  }
  if (fluid_player_get_current_tick(sequencer.player) <
      fluid_player_get_total_ticks(sequencer.player)) {
    return true;
  }
  const std::int64_t now = posix::monotonicNs() / 1'000'000;
  if (sequencer.lastEventPassedAtMs < 0) sequencer.lastEventPassedAtMs = now;
  return now - sequencer.lastEventPassedAtMs < fadeAfterEndMs;
}

void mciClose(unsigned device) {
  if (!isOpen(device)) return;
  fluid_player_stop(sequencer.player);
  if (sequencer.output.driver != nullptr) {
    fluid_player_join(sequencer.player);
    delete_fluid_audio_driver(sequencer.output.driver);
    sequencer.output.driver = nullptr;
  }
  delete_fluid_player(sequencer.player);
  sequencer.player = nullptr;
  synth::stopSynth(sequencer.output);
}

std::string mciGetErrorStringA(unsigned code) { return synth::errorText(code); }

}  // namespace platform
