// Tones on Windows: the system's Beep, and rests as waits.
#include <windows.h>

#include "platform/platform.h"
#include "sound/windows/beep_tones.h"

namespace sound::beep {
namespace {

void waitFor(unsigned lengthMs) {
  platform::sleepUntilMs(platform::clockMs() + lengthMs);
}

class BeepTones final : public ToneOutput {
 public:
  void tone(unsigned frequencyHz, unsigned lengthMs) override {
    const std::int64_t start = platform::clockMs();
    ::Beep(frequencyHz, lengthMs);
    // Without a speaker (or under an emulator) the call may come back before
    // the tone's time is up; the tune's timing must not depend on that.
    platform::sleepUntilMs(start + lengthMs);
  }
  void rest(unsigned lengthMs) override { waitFor(lengthMs); }
};

}  // namespace

std::unique_ptr<ToneOutput> openTones() { return std::make_unique<BeepTones>(); }

}  // namespace sound::beep
