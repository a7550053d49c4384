#include "driver/program.h"

#include "console/console.h"
#include "driver/command_line.h"
#include "driver/export.h"
#include "driver/identity.h"
#include "driver/play_argument.h"
#include "driver/run.h"
#include "driver/songbook_switches.h"
#include "driver/sound_switches.h"
#include "driver/usage.h"
#include "library/songbook.h"
#include "midi/midi_out.h"
#include "platform/platform.h"
#include "sound/choice.h"
#include "sound/outputs.h"
#include "player/player_state.h"

ShortText joinedArgument;

void resetProgramState() {
  resetPlayerState();
  resetMidiOut();
  sound::closeAll();
  sound::choose({});
  forgetOwnSongs();
  consoleState = ConsoleState{};
}

int programMain() {
  const std::vector<std::string> arguments = platform::commandLineArguments();
  const CommandLine line = readCommandLine(arguments);
  VersionText = " 2010";
  ModuleName = "LIRKEL32";
  VersionText = VersionText + BuildDate + IdentityText;
  if (!line.usageError.empty()) return usageError(line.usageError);
  // None of these needs the console: --run leaves the terminal to the
  // command until it has ended.
  switch (line.task) {
    case Task::help: showUsage(); return 0;
    case Task::version: showVersion(); return 0;
    default: break;
  }
  // Before anything sounds, and before --run's command: a wrong choice is
  // told at once.
  if (line.task != Task::titles && line.task != Task::check) {
    if (const std::string problem = chooseSound(line); !problem.empty()) return usageError(problem);
  }
  if (line.task == Task::run) return runAndPlay(line);
  startConsole();
  switch (line.task) {
    case Task::titles: writeTitles(); return 0;
    case Task::check: return checkSongbooks(line.operands);
    case Task::exportTune: return exportTune(line.exportFile, line.operands);
    case Task::soundCheck: return checkSound(line.operands);
    default: break;
  }
  joinedArgument = joinArguments(line.operands);
  reportCutArguments(line.operands);
  playArgument(true, joinedArgument);
  return 0;
}
