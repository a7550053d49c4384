// MIDI output and the sequencer on Linux. For now there is no device.
#include "platform/platform.h"

namespace platform {

unsigned midiOutGetNumDevs() { return 0; }
unsigned midiOutOpen(MidiHandle&) { return 2; }
unsigned midiOutShortMsg(MidiHandle, std::uint32_t) { return 0; }
unsigned midiOutClose(MidiHandle) { return 0; }
std::string midiOutGetErrorTextA(unsigned) { return "No MIDI output."; }

unsigned mciOpenSequencer(const std::string&, unsigned&) { return 1; }
unsigned mciStatusPort(unsigned) { return 1; }
unsigned mciPlay(unsigned) { return 1; }
bool mciIsPlaying(unsigned) { return false; }
void mciClose(unsigned) {}
std::string mciGetErrorStringA(unsigned) { return "No MIDI sequencer."; }

}  // namespace platform
