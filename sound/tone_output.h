// Plain tones, as a speaker plays them. Every call returns when its length
// has passed on the output's own timeline (or early, when a key may stop
// the tune), so a tune of tones keeps time by itself and lyrics written
// between calls appear in time.
#pragma once

#include <functional>

namespace sound {

class ToneOutput {
 public:
  virtual ~ToneOutput() = default;  // lets the tones already queued play out
  virtual void tone(unsigned frequencyHz, unsigned lengthMs) = 0;
  virtual void rest(unsigned lengthMs) = 0;
  // Ends what sounds at once, with a short fade: the tune was stopped.
  virtual void stop() {}
  // Whether the device opened. Tones through a stream begin opening it when
  // they are made; this waits for that. Asked before the first tone.
  virtual bool opened() { return true; }
  // Instead of opened(): the first tone goes ahead without waiting for the
  // device, and when it did not open, `say` is called during that tone. The
  // tune keeps its time in silence meanwhile, as silence would.
  virtual void sayIfNotOpened(std::function<void()> say) { (void)say; }
};

}  // namespace sound
