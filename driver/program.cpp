#include "driver/program.h"

#include "console/console.h"
#include "driver/identity.h"
#include "midi/midi_out.h"
#include "platform/platform.h"
#include "player/interpreter.h"
#include "player/player_state.h"

ShortText joinedArgument;

ShortText joinArguments(const std::vector<std::string>& arguments) {
  ShortText joined;
  for (const std::string& argument : arguments) {
    joined.append(argument);
    joined.append(' ');
  }
  return joined;
}

unsigned char playArgument(bool echo, ShortText argument) {
  if (!playerState.soundEnabled) {
    platform::Beep(400, 400);
    return waitKeyShowingClock();
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

int programMain() {
  joinedArgument = joinArguments(platform::commandLineArguments());
  VersionText = " 2010";
  ModuleName = "LIRKEL32";
  VersionText = VersionText + BuildDate + IdentityText;
  playArgument(true, joinedArgument);
  return 0;
}
