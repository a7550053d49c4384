// A General MIDI output that takes messages as they are sent: the notes of
// a tune and its instrument changes. Timing is the caller's: a message
// sounds at once, unless the output renders its own sound ahead of the ear.
// Closing the output is destroying it.
#pragma once

#include <cstdint>

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
  // An output that queues its sound ahead of the ear wants each message
  // this long before it is due, with the time it is due (the clock's ms),
  // given before it is sent, and places it there. Others sound a message
  // when it comes.
  virtual unsigned leadMs() const { return 0; }
  virtual void dueAt(std::int64_t clockMs) { (void)clockMs; }
};

}  // namespace sound
