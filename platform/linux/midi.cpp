// The MIDI mapper on Linux: one FluidSynth synthesizer that takes note-on,
// note-off and program-change messages as they are sent.
#include "platform/linux/synth.h"
#include "platform/platform.h"

namespace platform {
namespace {

constexpr MidiHandle mapperHandle = 1;

synth::Synth mapper;

}  // namespace

unsigned midiOutGetNumDevs() { return synth::generalMidiSoundFont().empty() ? 0 : 1; }

unsigned midiOutOpen(MidiHandle& handle) {
  if (mapper.synth != nullptr) synth::stopSynth(mapper);
  // The opening program change selects the instrument the notes use.
  if (const synth::Error error = synth::startSynth(mapper, false)) return error;
  if (const synth::Error error = synth::startAudio(mapper)) {
    synth::stopSynth(mapper);
    return error;
  }
  handle = mapperHandle;
  return midiNoError;
}

unsigned midiOutShortMsg(MidiHandle handle, std::uint32_t message) {
  if (handle != mapperHandle || mapper.synth == nullptr) return synth::notOpen;
  const int channel = static_cast<int>(message & 0x0F);
  const int first = static_cast<int>((message >> 8) & 0x7F);
  const int second = static_cast<int>((message >> 16) & 0x7F);
  // The synthesizer's answers are not errors of the connection (a note-off
  // for a note that has ended, a note on a channel without an instrument).
  switch (message & 0xF0) {
    case 0x90:
      if (second == 0) {
        fluid_synth_noteoff(mapper.synth, channel, first);
      } else {
        fluid_synth_noteon(mapper.synth, channel, first, second);
      }
      break;
    case 0x80:
      fluid_synth_noteoff(mapper.synth, channel, first);
      break;
    case 0xC0:
      fluid_synth_program_change(mapper.synth, channel, first);
      break;
    default:
      break;
  }
  return midiNoError;
}

unsigned midiOutClose(MidiHandle handle) {
  if (handle != mapperHandle || mapper.synth == nullptr) return synth::notOpen;
  synth::stopSynth(mapper);
  return midiNoError;
}

std::string midiOutGetErrorTextA(unsigned code) { return synth::errorText(code); }

}  // namespace platform
