#include "driver/program.h"

#include "console/console.h"
#include "driver/export.h"
#include "driver/identity.h"
#include "driver/songbook_switches.h"
#include "library/help.h"
#include "library/songbook.h"
#include "library/resolve.h"
#include "midi/midi_out.h"
#include "platform/platform.h"
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
  platform::writeStderr("lirkel: the text is longer than 255 characters; it is cut after "
                        "character 255, before \"" + left + more + "\"");
  platform::writeStderr(platform::lineBreak());
}

unsigned char signalAndClock() {
  sound::openToneOutput()->tone(400, 400);
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

// The switches people try first: "--help" and "-h" write the help text as
// "?" does, "--version" one line with the module name and version texts.
// Answers whether the argument was one of them.
namespace {
bool answerStandardSwitch(const ShortText& argument) {
  if (argument == "--help " || argument == "-h ") {
    showHelp();
    showSwitchHelp();
    return true;
  }
  if (argument == "--titles ") {
    writeTitles();
    return true;
  }
  if (argument == "--version ") {
    // The package's version after the module's own texts.
    writeTextLine(ShortText(ModuleName) + VersionText + " lirkel " + LIRKEL_PACKAGE_VERSION);
    return true;
  }
  return false;
}
}  // namespace

void resetProgramState() {
  resetPlayerState();
  resetMidiOut();
  sound::closeAll();
  forgetOwnSongs();
  consoleState = ConsoleState{};
}

int programMain() {
  const std::vector<std::string> arguments = platform::commandLineArguments();
  if (!arguments.empty() && arguments.front() == "--export") {
    return exportTune({arguments.begin() + 1, arguments.end()});
  }
  if (!arguments.empty() && arguments.front() == "--check") {
    return checkSongbooks({arguments.begin() + 1, arguments.end()});
  }
  joinedArgument = joinArguments(arguments);
  reportCutArguments(arguments);
  VersionText = " 2010";
  ModuleName = "LIRKEL32";
  VersionText = VersionText + BuildDate + IdentityText;
  if (answerStandardSwitch(joinedArgument)) return 0;
  playArgument(true, joinedArgument);
  return 0;
}
