// Plays a Standard MIDI File in the background until it ends or is stopped.
#pragma once

#include <string>

#include "sound/failure.h"

namespace sound {

class MidiFilePlayer {
 public:
  virtual ~MidiFilePlayer() = default;  // stops a file still open
  // Checks and opens the file (a Windows-1252 path), ready to start. On a
  // failure nothing stays open.
  virtual Failure open(const std::string& path) = 0;
  // Starts playing from the beginning; returns at once.
  virtual Failure start() = 0;
  virtual bool playing() = 0;
  // Stops playing and lets go of the file.
  virtual void stop() = 0;
};

}  // namespace sound
