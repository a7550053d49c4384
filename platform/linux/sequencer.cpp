// The MIDI-file sequencer on Linux: FluidSynth's player on a synthesizer of
// its own, playing in the background. The file is checked before anything
// plays; the player would take any bytes and fail later without a word.
//
// The order of starting and ending matters: a player is deleted only after
// its audio driver has stopped rendering, and only once it has been stopped
// (which cuts its held notes).
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/codepage.h"
#include "platform/linux/smf_check.h"
#include "platform/linux/synth.h"
#include "platform/platform.h"

namespace platform {
namespace {

constexpr unsigned sequencerDevice = 1;

struct Sequencer {
  synth::Synth output;
  fluid_player_t* player = nullptr;
};

Sequencer sequencer;

bool isOpen(unsigned device) { return device == sequencerDevice && sequencer.player != nullptr; }

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

}  // namespace

unsigned mciOpenSequencer(const std::string& path, unsigned& device) {
  if (sequencer.player != nullptr) mciClose(sequencerDevice);
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(cp1252ToUtf8(path), bytes)) return synth::fileUnreadable;
  if (const synth::Error error = smf::checkMidiFile(bytes.data(), bytes.size())) return error;
  if (const synth::Error error = synth::startSynth(sequencer.output)) return error;
  sequencer.player = new_fluid_player(sequencer.output.synth);
  // The player keeps its own copy of the bytes.
  if (sequencer.player == nullptr ||
      fluid_player_add_mem(sequencer.player, bytes.data(), bytes.size()) != FLUID_OK) {
    if (sequencer.player != nullptr) delete_fluid_player(sequencer.player);
    sequencer.player = nullptr;
    synth::stopSynth(sequencer.output);
    return synth::synthFailed;
  }
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
  return isOpen(device) && fluid_player_get_status(sequencer.player) == FLUID_PLAYER_PLAYING;
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
