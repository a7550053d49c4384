#include "sound/wav_writer.h"

#include <cstring>

namespace sound {
namespace {

// Writes into a buffer of known size by position.
struct Cursor {
  std::uint8_t* at;
  void text(const char (&name)[5]) {
    std::memcpy(at, name, 4);
    at += 4;
  }
  void number(std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) *at++ = static_cast<std::uint8_t>(value >> (8 * i));
  }
};

}  // namespace

std::array<std::uint8_t, wavHeaderBytes> wavHeader(std::uint32_t dataBytes, unsigned sampleRate,
                                                   unsigned channels) {
  std::array<std::uint8_t, wavHeaderBytes> header{};
  Cursor out{header.data()};
  out.text("RIFF");
  out.number(36 + dataBytes, 4);
  out.text("WAVE");
  out.text("fmt ");
  out.number(16, 4);
  out.number(1, 2);  // PCM
  out.number(channels, 2);
  out.number(sampleRate, 4);
  out.number(sampleRate * channels * 2, 4);
  out.number(channels * 2, 2);
  out.number(16, 2);
  out.text("data");
  out.number(dataBytes, 4);
  return header;
}

void wavData(const std::vector<std::int16_t>& samples, std::vector<std::uint8_t>& bytes) {
  bytes.resize(samples.size() * 2);
  Cursor out{bytes.data()};
  for (const std::int16_t sample : samples) out.number(static_cast<std::uint16_t>(sample), 2);
}

}  // namespace sound
