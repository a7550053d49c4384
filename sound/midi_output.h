// A General MIDI output that takes messages as they are sent: the notes of
// a tune and its instrument changes. Timing is the caller's: a message
// sounds at once. Closing the output is destroying it.
#pragma once

#include "sound/failure.h"

namespace sound {

class MidiOutput {
 public:
  virtual ~MidiOutput() = default;
  virtual Failure noteOn(int channel, int note, int velocity) = 0;
  virtual Failure noteOff(int channel, int note, int velocity) = 0;
  // program is 0..127.
  virtual Failure programChange(int channel, int program) = 0;
  // Cuts every note still sounding, before the output is closed mid-tune.
  virtual void allSoundOff() = 0;
};

}  // namespace sound
