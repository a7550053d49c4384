#include "library/help.h"
#include "library/resolve.h"

#include <random>
#include <string>
#include <string_view>

#include "console/console.h"
#include "text/text_utils.h"
#include "library/listing.h"
#include "library/songbook.h"
#include "platform/platform.h"
#include "player/player_state.h"

namespace {

constexpr std::string_view helpKeyword = "? ";

bool holdsDoubleQuote(const ShortText& line) {
  return line.view().find('"') != std::string_view::npos;
}

// The title search's second round, through the own songs: their first line,
// or 0. Only when it finds nothing while broken songs were left out does one
// line say so.
std::uint16_t findOwnTitle(const ShortText& text) {
  if (text == helpKeyword) return 0;
  if (const OwnSong* song = findOwnSong(text)) {
    chooseOwnSong(*song);
    playerState.ownSong = true;
    return 1;
  }
  if (const std::size_t leftOut = ownSongs().leftOut; leftOut > 0) {
    writeError(message("own songs or songbooks left out for a fault: %s (lirkel --check names them)",
                       {std::to_string(leftOut)}));
  }
  return 0;
}

}  // namespace

std::uint16_t findTitle(const ShortText& argument, LineSource line) {
  // The joining blank counts as one of the five: "Yes " is no "Yeste".
  const ShortText key = upcaseText(ShortText(argument.view().substr(0, titleKeyLength)));
  ShortText title;
  for (std::uint16_t i = 1; i <= libraryLineCount; ++i) {
    if (lineTitle(line(i), title) && upcaseText(title).view().starts_with(key.view())) return i;
  }
  return 0;
}

std::uint16_t randomSongLine(std::uint64_t seed, LineSource line) {
  std::mt19937_64 generator(seed);
  std::uniform_int_distribution<int> anyLine(1, libraryLineCount);
  auto number = static_cast<std::uint16_t>(anyLine(generator));
  // Every line is equally likely, so a long song comes up more often.
  while (!holdsDoubleQuote(line(number)) && number > 1) --number;
  return number;
}

Request requestOf(const ShortText& text) {
  if (text.empty() || text == helpKeyword) return Request::help;
  if (text == "L " || text == "l ") return Request::listing;
  return Request::tune;
}

void resolveArgument(bool, ShortText& text, std::uint16_t& foundLine, std::uint16_t& randomLine) {
  playerState.screenRows = windowBottom();
  playerState.screenCols = windowRight();
  randomLine = 0;
  foundLine = 0;
  if (playerState.currentLine < 1 || playerState.currentLine > libraryLineCount) {
    playerState.currentLine = 1;
  }
  if (text.empty()) text = helpKeyword;

  if (requestOf(text) == Request::listing) {
    listLibrary(libraryLine);
  } else if (text == "- ") {
    randomLine = randomSongLine(platform::randomSeed(), libraryLine);
    text = libraryLine(randomLine);
    playerState.currentLine = randomLine;
    randomLine = 0;  // only the first line plays
  } else if (text == "+ ") {
    text = libraryLine(static_cast<std::uint16_t>(playerState.currentLine));
  } else if (text != helpKeyword) {
    // The help's keyword is no title search: no title holds a "?".
    foundLine = findTitle(text, libraryLine);
    if (foundLine == 0) foundLine = findOwnTitle(text);
  }

  if (foundLine != 0) {
    text = playerState.ownSong ? ownSongLine(foundLine) : libraryLine(foundLine);
    playerState.currentLine = foundLine;
  } else if (text == helpKeyword) {
    showHelp();
  }
}

bool titleMatches(const ShortText& title, const ShortText& text) {
  const ShortText upper = upcaseText(text);
  const std::string titleAndBlank = title.str() + ' ';
  // An empty text or title is part of everything and names nothing.
  const bool matches =
      (!upper.empty() && titleAndBlank.find(upper.view()) != std::string::npos) ||
      (!title.empty() && upper.view().find(title.view()) != std::string_view::npos);
  if (matches) {
    writeTextLine(ShortText());
    writeTextLine(title);
  }
  return matches;
}
