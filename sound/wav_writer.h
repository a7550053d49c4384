// 16-bit PCM samples as a WAV file.
#pragma once

#include <cstdint>
#include <vector>

namespace sound {

// Interleaved samples, channels 1 or 2.
std::vector<std::uint8_t> wavFile(const std::vector<std::int16_t>& samples, unsigned sampleRate,
                                  unsigned channels);

}  // namespace sound
