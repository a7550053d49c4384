#include "driver/play_argument.h"

#include "console/console.h"
#include "driver/usage.h"
#include "library/resolve.h"
#include "midi/midi_out.h"
#include "player/interpreter.h"
#include "player/player_state.h"
#include "sound/outputs.h"
#include "text/text_utils.h"

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
