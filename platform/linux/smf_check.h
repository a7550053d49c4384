// Checks that bytes form a Standard MIDI File that can be played, before
// anything plays: the player itself accepts any bytes and fails later, on
// its own thread, without telling why.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/linux/synth.h"

namespace platform::smf {

// noError, or what is wrong: fileEmpty, notMidiFile, fileCutShort, badChunk,
// badEvent, noTrackEnd.
synth::Error checkMidiFile(const std::uint8_t* data, std::size_t size);

}  // namespace platform::smf
