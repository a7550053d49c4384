#include "sound/wav_writer.h"

#include <string_view>

namespace sound {
namespace {

void littleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void tag(std::vector<std::uint8_t>& out, std::string_view name) {
  out.insert(out.end(), name.begin(), name.end());
}

}  // namespace

std::vector<std::uint8_t> wavFile(const std::vector<std::int16_t>& samples, unsigned sampleRate,
                                  unsigned channels) {
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  std::vector<std::uint8_t> file;
  file.reserve(44 + dataBytes);
  tag(file, "RIFF");
  littleEndian(file, 36 + dataBytes, 4);
  tag(file, "WAVE");
  tag(file, "fmt ");
  littleEndian(file, 16, 4);
  littleEndian(file, 1, 2);  // PCM
  littleEndian(file, channels, 2);
  littleEndian(file, sampleRate, 4);
  littleEndian(file, sampleRate * channels * 2, 4);
  littleEndian(file, channels * 2, 2);
  littleEndian(file, 16, 2);
  tag(file, "data");
  littleEndian(file, dataBytes, 4);
  for (const std::int16_t sample : samples) littleEndian(file, static_cast<std::uint16_t>(sample), 2);
  return file;
}

}  // namespace sound
