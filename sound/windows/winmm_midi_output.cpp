// MIDI output through the system's MIDI mapper (winmm). The calls, their
// arguments and the error texts are those the Windows program has always
// made.
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include "sound/windows/winmm_midi_output.h"

namespace sound::winmm {
namespace {

Failure midiOutFailure(MMRESULT rc) {
  if (rc == MMSYSERR_NOERROR) return {};
  char text[256] = {};
  midiOutGetErrorTextA(rc, text, 255);
  return std::string(text);
}

// A short message as midiOutShortMsg takes it: status byte lowest, then
// the first and the second data byte.
DWORD packed(int status, int first, int second) {
  return static_cast<DWORD>(status) | static_cast<DWORD>(first) << 8 |
         static_cast<DWORD>(second) << 16;
}

class MapperOutput final : public MidiOutput {
 public:
  explicit MapperOutput(HMIDIOUT handle) : handle_(handle) {}
  ~MapperOutput() override { midiOutClose(handle_); }  // its answer is not used
  MapperOutput(const MapperOutput&) = delete;
  MapperOutput& operator=(const MapperOutput&) = delete;

  Failure noteOn(int channel, int note, int velocity) override {
    return midiOutFailure(midiOutShortMsg(handle_, packed(0x90 + channel, note, velocity)));
  }
  Failure noteOff(int channel, int note, int velocity) override {
    return midiOutFailure(midiOutShortMsg(handle_, packed(0x80 + channel, note, velocity)));
  }
  Failure programChange(int channel, int program) override {
    return midiOutFailure(midiOutShortMsg(handle_, packed(0xC0 + channel, program, 0)));
  }
  // The mapper is closed as it always was, with no extra message before.
  void allSoundOff() override {}

 private:
  HMIDIOUT handle_;
};

}  // namespace

unsigned midiDeviceCount() { return midiOutGetNumDevs(); }

const char* noMidiDevice() {
  return midiDeviceCount() > 0 ? nullptr : phrase("no MIDI output device");
}

OpenedMidi openMapper() {
  HMIDIOUT handle = nullptr;
  const MMRESULT rc = midiOutOpen(&handle, MIDI_MAPPER, 0, 0, CALLBACK_NULL);
  if (rc != MMSYSERR_NOERROR) return {nullptr, midiOutFailure(rc)};
  return {std::make_unique<MapperOutput>(handle), {}};
}

}  // namespace sound::winmm
