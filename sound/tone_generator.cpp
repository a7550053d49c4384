#include "sound/tone_generator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sound {
namespace {

constexpr std::size_t fadeFrames = 5 * ToneGenerator::framesPerMs;
// About -20 dBFS RMS, where the synthesizer's tunes sound too.
constexpr double amplitude = 0.14 * 32767.0;

}  // namespace

void ToneGenerator::start(unsigned frequencyHz, std::size_t frames) {
  const bool audible = frequencyHz != 0 && frequencyHz < sampleRate / 2;
  step_ = audible ? static_cast<double>(frequencyHz) / sampleRate : 0.0;
  length_ = audible ? frames : 0;
  left_ = length_;
  fade_ = std::min(fadeFrames, length_ / 2);
}

void ToneGenerator::render(std::int16_t* samples, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (left_ == 0) {
      std::fill(samples + i, samples + count, 0);
      return;
    }
    const std::size_t at = length_ - left_;
    double gain = 1.0;
    const std::size_t edge = std::min(at, left_ - 1);
    if (edge < fade_) gain = 0.5 - 0.5 * std::cos(std::numbers::pi * (edge + 0.5) / fade_);
    samples[i] = static_cast<std::int16_t>(
        std::lround(amplitude * gain * std::sin(2.0 * std::numbers::pi * phase_)));
    phase_ += step_;
    if (phase_ >= 1.0) phase_ -= 1.0;
    --left_;
  }
}

void ToneGenerator::tone(std::vector<std::int16_t>& samples, unsigned frequencyHz,
                         unsigned lengthMs) {
  const std::size_t count = std::size_t{lengthMs} * framesPerMs;
  start(frequencyHz, count);
  const std::size_t from = samples.size();
  samples.resize(from + count);
  render(samples.data() + from, count);
}

void ToneGenerator::silence(std::vector<std::int16_t>& samples, unsigned lengthMs) const {
  samples.insert(samples.end(), std::size_t{lengthMs} * framesPerMs, 0);
}

}  // namespace sound
