#include "midi/midi_out.h"

#include "console/console.h"

MidiOutState midiOutState;

void openMidiOut() {
  const unsigned count = platform::midiOutGetNumDevs();
  midiOutState.available = count > 0;
  if (count == 0) return;
  const unsigned rc = platform::midiOutOpen(midiOutState.handle);
  midiOutState.available = rc == platform::midiNoError;
  if (rc != platform::midiNoError) {
    writeTextLine(platform::midiOutGetErrorTextA(rc));
    return;
  }
  platform::midiOutShortMsg(midiOutState.handle, openingProgramChange);
}

void closeMidiOut() {
  if (midiOutState.available) platform::midiOutClose(midiOutState.handle);
}

bool openSound() {
  midiOutState.available = false;
  openMidiOut();
  midiOutState.savedExitHook = platform::exitHook();
  platform::setExitHook(closeSound);
  return midiOutState.available;
}

void closeSound() {
  platform::setExitHook(midiOutState.savedExitHook);
  if (midiOutState.available) {
    closeMidiOut();
    midiOutState.available = false;
  }
}
