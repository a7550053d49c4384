#include "midi/midi_out.h"

#include "console/console.h"
#include "sound/outputs.h"

MidiOutState midiOutState;

void resetMidiOut() { midiOutState = MidiOutState{}; }

void openMidiOut() {
  sound::OpenedMidi opened = sound::openMidiOutput();
  midiOutState.available = opened.output != nullptr;
  if (opened.output == nullptr) {
    // No device at all says nothing; a device that would not open says why,
    // naming the file or device it is about.
    if (opened.failure) reportProblem(*opened.failure, opened.about);
    return;
  }
  connectMidiOut(std::move(opened.output));
}

void connectMidiOut(std::unique_ptr<sound::MidiOutput> output) {
  midiOutState.available = true;
  midiOutState.tuneEnded = false;
  midiOutState.output = std::move(output);
  midiOutState.output->programChange(0, openingProgram);
}

void closeMidiOut() {
  if (!midiOutState.available || midiOutState.output == nullptr) return;
  if (!midiOutState.tuneEnded) midiOutState.output->allSoundOff();
  midiOutState.output.reset();
}

void markTuneEnded() { midiOutState.tuneEnded = true; }

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
  sound::closeAll();
}
