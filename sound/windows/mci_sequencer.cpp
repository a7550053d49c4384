// Standard MIDI Files through the MCI sequencer: opened on the file, asked
// for its output port, played in the background, and closed.
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include "sound/windows/mci_sequencer.h"

namespace sound::winmm {
namespace {

Failure mciFailure(MCIERROR rc) {
  if (rc == 0) return {};
  char text[256] = {};
  mciGetErrorStringA(rc, text, 256);
  return std::string(text);
}

class Sequencer final : public MidiFilePlayer {
 public:
  ~Sequencer() override { stop(); }

  Failure open(const std::string& path) override {
    stop();
    MCI_OPEN_PARMSA open{};
    open.lpstrDeviceType = "sequencer";
    open.lpstrElementName = path.c_str();
    const MCIERROR rc = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT,
                                        reinterpret_cast<DWORD_PTR>(&open));
    if (rc != 0) return mciFailure(rc);
    device_ = open.wDeviceID;
    // A sequencer without an output port cannot play: closed without a word.
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_SEQ_STATUS_PORT;
    if (mciSendCommandA(device_, MCI_STATUS, MCI_STATUS_ITEM,
                        reinterpret_cast<DWORD_PTR>(&status)) != 0) {
      stop();
      return std::string();
    }
    return {};
  }

  Failure start() override {
    MCI_PLAY_PARMS play{};
    return mciFailure(mciSendCommandA(device_, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play)));
  }

  bool playing() override {
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_MODE;
    const MCIERROR rc =
        mciSendCommandA(device_, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status));
    return rc == 0 && status.dwReturn == MCI_MODE_PLAY;
  }

  void stop() override {
    if (device_ == 0) return;
    mciSendCommandA(device_, MCI_CLOSE, 0, 0);  // its answer is not used
    device_ = 0;
  }

 private:
  MCIDEVICEID device_ = 0;
};

}  // namespace

std::unique_ptr<MidiFilePlayer> openSequencer() { return std::make_unique<Sequencer>(); }

}  // namespace sound::winmm
