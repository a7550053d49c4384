// What the renderer plays: a source of frames (the synthesizer, or the tone
// generator) and the events that change what it sounds, each with the time
// it is due. The renderer alone calls the source, from its own thread, and
// applies each event at its frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sound {

struct SoundEvent {
  enum class Kind { noteOn, noteOff, programChange, tone };
  Kind kind = Kind::noteOn;
  int channel = 0;
  int key = 0;  // the note, or the program
  int velocity = 0;
  unsigned frequencyHz = 0;  // a tone's
  unsigned lengthMs = 0;     // a tone's
  std::int64_t dueNs = 0;    // on the engine's clock

  // A note or a tone begins the rendering, at its own time.
  bool sounds() const { return kind == Kind::noteOn || kind == Kind::tone; }
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The next frames, channels interleaved.
  virtual void render(std::int16_t* frames, std::size_t count) = 0;
  // Applies the event where rendering has got to.
  virtual void apply(const SoundEvent& event) = 0;
  // Every sound ends at once (after the renderer's own short fade).
  virtual void silence() = 0;
};

}  // namespace sound
