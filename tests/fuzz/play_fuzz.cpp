// Any bytes as command-line arguments, played through the whole program over
// the fake machine: no crash, no read outside a text, no hang, exit code 0
// (or 1 from a file switch that fails, 2 for a wrong command line).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "console/console.h"
#include "driver/program.h"
#include "driver/identity.h"
#include "midi/midi_out.h"
#include "platform/fake/fake_platform.h"
#include "player/player_state.h"
#include "sound/recorder/recorder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fake::reset();
  sound::recorder::reset();
  resetProgramState();
  if (size == 0) return 0;

  // The first byte picks the machine: MIDI or tones, a failing note, a
  // terminal or none, a narrow or wide window.
  const std::uint8_t machine = data[0];
  fake::Script& script = fake::script();
  sound::recorder::Script& sound = sound::recorder::script();
  sound.midiDevices = machine & 1;
  sound.noteOnError = (machine & 2) ? 6 : 0;
  script.terminal = (machine & 4) != 0;
  script.screenInfo.windowRight = (machine & 8) ? 39 : 79;
  script.seed = machine;
  if (machine & 16) script.keys.push_back({'q', true, 40, -1});
  if (machine & 32) script.keys.push_back({13, true, 5, -1});

  // The rest: arguments separated by zero bytes.
  std::string argument;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0) {
      script.arguments.push_back(argument);
      argument.clear();
    } else {
      argument += static_cast<char>(data[i]);
    }
  }
  script.arguments.push_back(argument);

  buildIdentityText();
  // Every run ends with 0, but the switches that write or check files, which
  // end with 1 when they fail, a wrong command line (2), and a command run
  // for the user, which ends as the scripted one does (0).
  const int status = programMain();
  const std::string& first = script.arguments.front();
  const bool fileSwitch = first.rfind("--export", 0) == 0 || first == "--check";
  if (status != 0 && status != 2 && !(fileSwitch && status == 1)) __builtin_trap();
  fake::endProcess();
  return 0;
}
