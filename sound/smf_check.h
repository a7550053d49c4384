// Checks that bytes form a Standard MIDI File that can be played, before
// anything plays: a synthesizer's file player accepts any bytes and fails
// later, on its own thread, without telling why.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sound::smf {

enum class Fault {
  none,
  fileEmpty,
  notMidiFile,
  fileCutShort,
  badChunk,
  badEvent,
  noTrackEnd,
};

Fault checkMidiFile(const std::uint8_t* data, std::size_t size);

// One short sentence naming the fault.
const char* faultText(Fault fault);

}  // namespace sound::smf
