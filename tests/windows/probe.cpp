// Runs one piece of the Windows back end under Wine and prints what it
// answered, for run-wine-tests.sh to check.
//
//   wine_probe midi                  whether a device exists and the mapper's answer
//   wine_probe sequencer <path>      the MCI sequencer on one file
//   wine_probe midi-file <text>      the program's MIDI-file attempt for <text>
//   wine_probe files <path>...       the file test, then the program directory
//   wine_probe exit normal|crash|throw   the exit hook chain at each kind of end
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "console/console.h"
#include "midi/midi_files.h"
#include "midi/midi_out.h"
#include "platform/platform.h"
#include "sound/windows/mci_sequencer.h"
#include "sound/windows/winmm_midi_output.h"

namespace {

void say(const std::string& text) {
  platform::writeStdout(text);
  platform::writeStdout(platform::lineBreak());
}

std::string number(unsigned value) { return std::to_string(value); }

std::string said(const sound::Failure& failure) { return failure ? *failure : "ok"; }

void probeMidi() {
  say(std::string("devices ") + (sound::winmm::midiDeviceCount() > 0 ? "yes" : "no"));
  const sound::OpenedMidi opened = sound::winmm::openMapper();
  say("mapper " + (opened.output != nullptr ? std::string("open") : said(opened.failure)));
}

void probeSequencer(const std::string& path) {
  const std::unique_ptr<sound::MidiFilePlayer> sequencer = sound::winmm::openSequencer();
  const sound::Failure opened = sequencer->open(path);
  say("open " + said(opened));
  if (opened) return;
  say("play " + said(sequencer->start()));
  say(std::string("playing ") + (sequencer->playing() ? "yes" : "no"));
  sequencer->stop();
  say("closed");
}

void hookOne() { say("hook 1"); }
platform::ExitProc savedHook = nullptr;
void hookTwo() {
  platform::setExitHook(savedHook);
  say("hook 2");
}
void shutdown() { say("shutdown"); }

void probeExit(const std::string& how) {
  platform::setShutdownProc(shutdown);
  platform::setExitHook(hookOne);
  savedHook = platform::exitHook();
  platform::setExitHook(hookTwo);
  say("ending: " + how);
  if (how == "crash") {
    // An address the compiler cannot see through, in the never-mapped first page.
    volatile std::uintptr_t nowhere = 16;
    *reinterpret_cast<volatile int*>(nowhere) = 1;
  }
  if (how == "throw") throw std::runtime_error("no one catches this");
}

}  // namespace

int main(int argc, char** argv) {
  platform::startProcess(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "midi") {
    probeMidi();
  } else if (mode == "sequencer" && argc == 3) {
    probeSequencer(argv[2]);
  } else if (mode == "midi-file" && argc == 3) {
    // As the MIDI variant of the player would: with MIDI output open.
    openSound();
    midiOutState.available = true;
    say("answer " + number(tryMidiFiles(ShortText(std::string(argv[2]) + " "))));
    closeSound();
  } else if (mode == "files") {
    for (int i = 2; i < argc; ++i)
      say(std::string(argv[i]) + " " + number(platform::fileExists(argv[i])));
    say("directory " + platform::executableDirectory());
  } else if (mode == "exit" && argc == 3) {
    probeExit(argv[2]);
  } else {
    say("unknown probe");
    return 2;
  }
  return 0;
}
