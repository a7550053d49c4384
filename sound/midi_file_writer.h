// A recording written as a Standard MIDI File: one track (format 0) whose
// ticks are whole milliseconds, the title as the track's name and the lyrics
// as lyric events, each as the screen shows it (its blank, and a line end
// where the output line ends), so karaoke players show the words apart and
// in their lines.
#pragma once

#include <cstdint>
#include <vector>

#include "sound/recording.h"

namespace sound {

// The whole file, its track ended at endMs (or at the last event).
std::vector<std::uint8_t> midiFile(const Recording& recording, std::int64_t endMs);

// The file's two ways of writing a number: `bytes` bytes, the most
// significant first, and the variable-length quantity of delta times and
// lengths (seven bits a byte, every byte but the last with its top bit set).
void bigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes);
void variableLength(std::vector<std::uint8_t>& out, std::uint32_t value);

}  // namespace sound
