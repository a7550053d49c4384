#include "library/resolve.h"

#include "console/console.h"
#include "player/player_state.h"

// Placeholder until the library search lands: note text is handed through.
void resolveArgument(bool, ShortText&, std::uint16_t& foundLine, std::uint16_t& randomLine) {
  playerState.screenRows = windowBottom();
  playerState.screenCols = windowRight();
  foundLine = 0;
  randomLine = 0;
}

bool titleMatches(const ShortText&, const ShortText&) { return false; }

void showHelp() {}
