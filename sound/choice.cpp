#include "sound/choice.h"

#include <cmath>

namespace sound {
namespace {

Choice chosen;

}  // namespace

const Choice& choice() { return chosen; }

void choose(Choice given) { chosen = std::move(given); }

bool synthAsked() { return chosen.sound == SoundKind::synth || !chosen.soundFont.empty(); }

bool quietAsked() { return chosen.sound == SoundKind::silent || chosen.sound == SoundKind::off; }

void applyVolume(std::int16_t* samples, std::size_t count) {
  const unsigned percent = chosen.volumePercent;
  if (percent >= 100) return;
  const double gain = percent / 100.0;
  for (std::size_t i = 0; i < count; ++i) {
    samples[i] = static_cast<std::int16_t>(std::lround(samples[i] * gain));
  }
}

}  // namespace sound
