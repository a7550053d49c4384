#include "sound/tone_generator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sound {
namespace {

constexpr unsigned fadeFrames = 5 * ToneGenerator::framesPerMs;
// About -20 dBFS RMS, where the synthesizer's tunes sound too.
constexpr double amplitude = 0.14 * 32767.0;

}  // namespace

void ToneGenerator::tone(std::vector<std::int16_t>& samples, unsigned frequencyHz,
                         unsigned lengthMs) {
  if (frequencyHz == 0 || frequencyHz >= sampleRate / 2) {
    silence(samples, lengthMs);
    return;
  }
  const unsigned count = lengthMs * framesPerMs;
  const double step = static_cast<double>(frequencyHz) / sampleRate;
  const unsigned fade = std::min(fadeFrames, count / 2);
  samples.reserve(samples.size() + count);
  for (unsigned i = 0; i < count; ++i) {
    double gain = 1.0;
    const unsigned edge = std::min(i, count - 1 - i);
    if (edge < fade) gain = 0.5 - 0.5 * std::cos(std::numbers::pi * (edge + 0.5) / fade);
    samples.push_back(static_cast<std::int16_t>(
        std::lround(amplitude * gain * std::sin(2.0 * std::numbers::pi * phase_))));
    phase_ += step;
    if (phase_ >= 1.0) phase_ -= 1.0;
  }
}

void ToneGenerator::silence(std::vector<std::int16_t>& samples, unsigned lengthMs) const {
  samples.insert(samples.end(), std::size_t{lengthMs} * framesPerMs, 0);
}

}  // namespace sound
