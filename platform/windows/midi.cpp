// MIDI output through the system's MIDI mapper, and Standard MIDI Files
// through the MCI sequencer (winmm).
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include "platform/platform.h"

namespace platform {
namespace {

HMIDIOUT asMidiOut(MidiHandle handle) { return reinterpret_cast<HMIDIOUT>(handle); }

}  // namespace

unsigned midiOutGetNumDevs() { return ::midiOutGetNumDevs(); }

unsigned midiOutOpen(MidiHandle& handle) {
  HMIDIOUT opened = nullptr;
  const MMRESULT rc = ::midiOutOpen(&opened, MIDI_MAPPER, 0, 0, CALLBACK_NULL);
  if (rc == MMSYSERR_NOERROR) handle = reinterpret_cast<MidiHandle>(opened);
  return rc;
}

unsigned midiOutShortMsg(MidiHandle handle, std::uint32_t message) {
  return ::midiOutShortMsg(asMidiOut(handle), message);
}

unsigned midiOutClose(MidiHandle handle) { return ::midiOutClose(asMidiOut(handle)); }

std::string midiOutGetErrorTextA(unsigned code) {
  char text[256] = {};
  ::midiOutGetErrorTextA(code, text, 255);
  return text;
}

unsigned mciOpenSequencer(const std::string& path, unsigned& device) {
  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = "sequencer";
  open.lpstrElementName = path.c_str();
  const MCIERROR rc = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT,
                                      reinterpret_cast<DWORD_PTR>(&open));
  if (rc == 0) device = open.wDeviceID;
  return rc;
}

unsigned mciStatusPort(unsigned device) {
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_SEQ_STATUS_PORT;
  return mciSendCommandA(device, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status));
}

unsigned mciPlay(unsigned device) {
  MCI_PLAY_PARMS play{};
  return mciSendCommandA(device, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play));
}

bool mciIsPlaying(unsigned device) {
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_MODE;
  const MCIERROR rc =
      mciSendCommandA(device, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status));
  return rc == 0 && status.dwReturn == MCI_MODE_PLAY;
}

void mciClose(unsigned device) { mciSendCommandA(device, MCI_CLOSE, 0, 0); }

std::string mciGetErrorStringA(unsigned code) {
  char text[256] = {};
  ::mciGetErrorStringA(code, text, 256);
  return text;
}

}  // namespace platform
