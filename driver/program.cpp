#include "driver/program.h"

#include "console/console.h"
#include "driver/command_line.h"
#include "driver/export.h"
#include "driver/identity.h"
#include "driver/run.h"
#include "driver/songbook_switches.h"
#include "driver/sound_switches.h"
#include "driver/usage.h"
#include "library/songbook.h"
#include "library/resolve.h"
#include "midi/midi_out.h"
#include "platform/platform.h"
#include "sound/choice.h"
#include "sound/outputs.h"
#include "player/interpreter.h"
#include "player/player_state.h"
#include "text/text_utils.h"

ShortText joinedArgument;

ShortText joinArguments(const std::vector<std::string>& arguments) {
  ShortText joined;
  for (const std::string& argument : arguments) {
    joined.append(argument);
    joined.append(' ');
  }
  return joined;
}

void reportCutArguments(const std::vector<std::string>& arguments) {
  std::string joined;
  for (const std::string& argument : arguments) joined += argument + ' ';
  // The blank that joining adds after a text of 255 characters is no loss.
  if (joined.find_first_not_of(' ', ShortText::capacity) == std::string::npos) return;
  const std::string left = withoutControls(joined.substr(ShortText::capacity, 12));
  const std::string more = joined.size() > ShortText::capacity + 12 ? "..." : "";
  writeError(message("the text is longer than 255 characters; it is cut after character 255, "
                     "before \"%s\"", {left + more}));
}

unsigned char signalAndClock() {
  sound::openToneOutput().output->tone(400, 400);
  return waitKeyShowingClock();
}

unsigned char playArgument(bool echo, ShortText argument) {
  if (!soundEnabled) return signalAndClock();
  // The help text and the listing are written without opening any sound.
  if (requestOf(argument) != Request::tune) {
    std::uint16_t foundLine = 0;
    std::uint16_t randomLine = 0;
    resolveArgument(echo, argument, foundLine, randomLine);
    return 0;
  }
  unsigned char answer;
  if (openSound()) {
    answer = playNotationMidi(echo, argument);
  } else {
    answer = playNotationSpeaker(echo, argument);
  }
  closeSound();
  return answer;
}

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
