// The samples of the program's tones: sines that carry their phase from one
// tone to the next, with short raised-cosine fades so that neighbouring tones
// join without a click. The ALSA output plays them; an export writes them.
#pragma once

#include <cstdint>
#include <vector>

namespace sound {

class ToneGenerator {
 public:
  static constexpr unsigned sampleRate = 48000;
  static constexpr unsigned framesPerMs = sampleRate / 1000;

  // A tone appended to the samples; a frequency no tone can have at this
  // rate gives silence of the same length.
  void tone(std::vector<std::int16_t>& samples, unsigned frequencyHz, unsigned lengthMs);
  void silence(std::vector<std::int16_t>& samples, unsigned lengthMs) const;

 private:
  double phase_ = 0.0;  // in cycles, carried from tone to tone
};

}  // namespace sound
