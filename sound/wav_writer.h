// 16-bit PCM samples as a WAV file, written as they come: the header, whose
// lengths are known only at the end, is written again then.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sound {

constexpr std::size_t wavHeaderBytes = 44;
// The most sample bytes a WAV file can say it holds.
constexpr std::uint64_t largestWavData = 0xFFFFFFFFull - 36;

// The header of a file of interleaved samples (channels 1 or 2) that take
// this many bytes.
std::array<std::uint8_t, wavHeaderBytes> wavHeader(std::uint32_t dataBytes, unsigned sampleRate,
                                                   unsigned channels);
// The samples as the file holds them, little-endian, in place of `bytes`.
void wavData(const std::vector<std::int16_t>& samples, std::vector<std::uint8_t>& bytes);

}  // namespace sound
