// Tones and waits on Windows.
#include <windows.h>

#include "platform/platform.h"
#include "platform/windows/process.h"

namespace platform {

void Beep(unsigned frequencyHz, unsigned lengthMs) {
  const ULONGLONG start = GetTickCount64();
  ::Beep(frequencyHz, lengthMs);
  // Without a speaker (or under an emulator) the call may come back before
  // the tone's time is up; the tune's timing must not depend on that.
  const ULONGLONG elapsed = GetTickCount64() - start;
  if (elapsed < lengthMs) windows::waitOrEnd(static_cast<unsigned>(lengthMs - elapsed));
}

void Sleep(unsigned lengthMs) { windows::waitOrEnd(lengthMs); }

}  // namespace platform
