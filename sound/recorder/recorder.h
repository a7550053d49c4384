// The sound back end of the tests: every call of every output goes into the
// fake machine's call log, with its arguments and the time on its virtual
// clock, and answers what the test's script says. Tones and rests move the
// virtual clock on by their length, or to a key pressed meanwhile.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/back_ends.h"

namespace sound::recorder {

struct Script {
  unsigned midiDevices = 0;  // none: tunes play as tones
  unsigned midiOpenError = 0;
  // The MIDI output is ready but no audio device takes its sound.
  bool midiWithoutDevice = false;
  // The machine's devices, as the tones' rows find them: a sound server
  // (none by default), and an ALSA device (there by default).
  bool server = false;
  bool audioDevice = true;
  unsigned noteOnError = 0;   // answered by every note-on
  unsigned noteOffError = 0;  // answered by every note-off
  unsigned fileOpenError = 0;
  bool filePortMissing = false;  // the file opens, then fails without a text
  unsigned fileStartError = 0;
  std::int64_t fileLengthMs = 5000;  // how long an opened file plays
  unsigned midiLeadMs = 0;  // how far ahead the MIDI output wants messages
  // A renderer of MIDI into samples: one frame a millisecond, each 1000.
  bool renderer = false;
  std::string renderFailure;  // answered by it instead, when not empty
};

// A message as the MIDI output took it: when it came, and when it is due.
struct Sent {
  std::int64_t atMs;
  std::int64_t dueMs;
};
const std::vector<Sent>& sentMessages();

Script& script();
// Back to a machine without MIDI output and with nothing open.
void reset();

// The recording back end, as the preference table of the tests lists it.
const char* noMidiDevice();
OpenedMidi openMidiOutput();
std::unique_ptr<MidiFilePlayer> openFilePlayer();
const char* noServer();
std::unique_ptr<ToneOutput> openServerTones();
std::unique_ptr<ToneOutput> openTones();
bool hasRenderer();
Failure render(const Recording& recording, std::int64_t endMs, SampleSink& sink,
               std::string& about);

}  // namespace sound::recorder
