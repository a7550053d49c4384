#include "library/library_check.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/library_store.h"
#include "player/player_state.h"
#include "text/text_utils.h"

namespace {

constexpr std::string_view lastLineText = "<.>";

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

struct SongWalk {
  bool inSong = false;
  std::uint16_t titleLine = 0;
  std::vector<std::pair<FixedText<5>, std::uint16_t>> keys;  // first five, upper-cased
};

LibraryFault fault(std::uint16_t line, std::string rule) { return {line, std::move(rule)}; }

// A title line: the double quotes, the title's length and its first five.
LibraryFault checkTitle(std::uint16_t number, const ShortText& text, SongWalk& walk) {
  std::size_t quotes = 0;
  for (char c : text.view()) quotes += c == '"' ? 1 : 0;
  if (text.at(1) != '"' || quotes != 2) {
    return fault(number,
                 "a double quote stands only on a title line, which begins with one and holds two");
  }
  if (walk.inSong) {
    return fault(walk.titleLine, "the song has no end mark \"!\" before the next title");
  }
  const std::string_view title = text.view().substr(1, text.view().find('"', 1) - 1);
  if (title.size() < 5) return fault(number, "a title has at least five characters");
  const FixedText<5> key = upcaseText(ShortText(title.substr(0, 5)));
  for (const auto& [earlier, line] : walk.keys) {
    if (earlier == key) {
      return fault(number, "a title differs from the others in its first five characters (line " +
                               std::to_string(line) + " begins the same)");
    }
  }
  walk.keys.emplace_back(key, number);
  walk.inSong = true;
  walk.titleLine = number;
  return {};
}

// Reads the line token by token as the players do.
LibraryFault checkTokens(std::uint16_t number, const ShortText& text, bool isTitleLine,
                         SongWalk& walk) {
  const std::size_t n = text.size();
  int tempoTokens = 0;
  for (std::size_t p = 1; p <= n; ++p) {
    const unsigned char c = upcaseChar(text.at(p));
    if (c == '"') {
      p = text.view().find('"', p) + 1;  // the title: checkTitle saw its closing quote
    } else if (c == '<') {
      const std::size_t close = text.view().find('>', p);
      if (close == std::string_view::npos) {
        return fault(number, "a lyric span \"<\" closes with \">\" on its own line");
      }
      p = close + 1;
    } else if (c == 'X') {
      // A line that ends with X leaves nothing to find (the 0 is no letter).
      if (octaveLetters.find(static_cast<char>(text.at(p + 1))) == std::string_view::npos) {
        return fault(number, "the letter after X is a capital octave letter of " +
                                 std::string(octaveLetters));
      }
      p += 1;
    } else if (c == 'Z') {
      if (!isDigit(text.at(p + 1)) || !isDigit(text.at(p + 2))) {
        return fault(number, "a tempo token is Z and two digits");
      }
      ++tempoTokens;
      p += 2;
    } else if (c == 'I') {
      p += 3;  // an instrument and its number
    } else if (c >= 'A' && c <= 'H' && isTitleLine && tempoTokens == 0) {
      return fault(number, "the title line's tempo token comes before the song's first note");
    } else if (c == '!') {
      if (p != n) return fault(number, "nothing follows the end mark \"!\" on its line");
      walk.inSong = false;
    }
  }
  if (isTitleLine && tempoTokens != 1) {
    return fault(number, "a title line carries exactly one tempo token");
  }
  return {};
}

}  // namespace

LibraryFault checkLibraryLines(LineSource line) {
  SongWalk walk;
  for (std::uint16_t number = 1; number <= libraryLineCount; ++number) {
    const ShortText text = line(number);
    if (number == libraryLineCount) {
      if (walk.inSong) return fault(walk.titleLine, "the song has no end mark \"!\"");
      if (text.view() != lastLineText) return fault(number, "the last line holds \"<.>\" alone");
      break;
    }
    const bool isTitleLine = text.view().find('"') != std::string_view::npos;
    if (isTitleLine) {
      if (LibraryFault found = checkTitle(number, text, walk); found.found()) return found;
    } else if (!walk.inSong && !text.empty()) {
      return fault(number, "note text stands only inside a song, after its title line");
    }
    if (LibraryFault found = checkTokens(number, text, isTitleLine, walk); found.found()) {
      return found;
    }
  }
  return {};
}

LibraryFault checkLibrary() { return checkLibraryLines(libraryLine); }
