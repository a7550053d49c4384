// The samples of the program's tones: sines that carry their phase from one
// tone to the next, with short raised-cosine fades so that neighbouring tones
// join without a click. Live play (the renderer) and an export both take
// their tones from here, so both sound the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sound {

class ToneGenerator {
 public:
  static constexpr unsigned sampleRate = 48000;
  static constexpr unsigned framesPerMs = sampleRate / 1000;

  // Starts a tone of `frames` frames where the last one began, or left off;
  // a frequency no tone can have at this rate gives silence that long.
  void start(unsigned frequencyHz, std::size_t frames);
  // The next samples of the tone started last, then silence.
  void render(std::int16_t* samples, std::size_t count);
  // The tone started last ends here, without its fade.
  void cut() { left_ = 0; }

  // A whole tone, or silence, appended to the samples.
  void tone(std::vector<std::int16_t>& samples, unsigned frequencyHz, unsigned lengthMs);
  void silence(std::vector<std::int16_t>& samples, unsigned lengthMs) const;

 private:
  double phase_ = 0.0;  // in cycles, carried from tone to tone
  double step_ = 0.0;   // cycles a sample
  std::size_t length_ = 0;
  std::size_t left_ = 0;  // samples of the tone still to come
  std::size_t fade_ = 0;
};

}  // namespace sound
