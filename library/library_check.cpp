#include "library/library_check.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/library_store.h"
#include "player/notation_lexer.h"
#include "player/player_state.h"
#include "text/text_utils.h"

namespace {

constexpr std::string_view lastLineText = "<.>";

constexpr std::size_t npos = std::string_view::npos;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

struct SongWalk {
  bool inSong = false;
  std::uint32_t titleLine = 0;
  std::vector<std::pair<FixedText<5>, std::uint32_t>> keys;  // first five, upper-cased
};

LibraryFault fault(std::uint32_t line, std::string rule) { return {line, std::move(rule)}; }

// A title line: the double quotes, the title's length and its first five.
LibraryFault checkTitle(std::uint32_t number, const ShortText& text, SongWalk& walk) {
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
LibraryFault checkTokens(std::uint32_t number, const ShortText& text, bool isTitleLine,
                         SongWalk& walk) {
  const std::size_t n = text.size();
  int tempoTokens = 0;
  for (std::size_t p = 1; p <= n; ++p) {
    const NotationToken token = readToken(text, p);
    p = token.end;
    switch (token.kind) {
      case TokenKind::lyric:
        if (!token.closed) {
          return fault(number, "a lyric span \"<\" closes with \">\" on its own line");
        }
        break;
      case TokenKind::octave:
        // A line that ends with X leaves no letter to find.
        if (token.operand.empty() || octaveLetters.find(token.operand.front()) == npos) {
          return fault(number, "the letter after X is a capital octave letter of " +
                                   std::string(octaveLetters));
        }
        break;
      case TokenKind::tempo:
        if (token.operand.size() != 2 || !isDigit(token.operand[0]) || !isDigit(token.operand[1])) {
          return fault(number, "a tempo token is Z and two digits");
        }
        ++tempoTokens;
        break;
      case TokenKind::note:
        if (isTitleLine && tempoTokens == 0) {
          return fault(number, "the title line's tempo token comes before the song's first note");
        }
        break;
      case TokenKind::end:
        if (token.start != n) {
          return fault(number, "nothing follows the end mark \"!\" on its line");
        }
        walk.inSong = false;
        break;
      default:  // a title (checkTitle saw it), an instrument, a rest, signs
        break;
    }
  }
  if (isTitleLine && tempoTokens != 1) {
    return fault(number, "a title line carries exactly one tempo token");
  }
  return {};
}

// Whether the line holds its song's end mark, read as the players read it.
bool endsSong(const ShortText& text) {
  for (std::size_t p = 1; p <= text.size(); ++p) {
    const NotationToken token = readToken(text, p);
    if (token.kind == TokenKind::end) return true;
    p = token.end;
  }
  return false;
}

}  // namespace

LibraryFault checkLibraryLines(LineSource line) {
  SongWalk walk;
  for (std::uint32_t number = 1; number <= libraryLineCount; ++number) {
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

CheckedSongbook checkSongbookLines(const std::vector<std::string>& lines) {
  CheckedSongbook book;
  SongWalk titles;  // keeps the first five of every good song's title
  std::size_t i = 0;
  // The line right after a song's end mark, which stays empty.
  std::size_t afterSong = lines.size();
  while (i < lines.size()) {
    if (lines[i].empty()) {
      ++i;
      continue;
    }
    const auto number = static_cast<std::uint32_t>(i + 1);
    if (lines[i].find('"') == std::string::npos) {
      book.otherFaults.push_back(
          fault(number, "note text stands only inside a song, after its title line"));
      ++i;
      continue;
    }
    if (i == afterSong) {
      book.otherFaults.push_back(fault(number, "an empty line stands between two songs"));
    }
    // A song: from its title line to its end mark, or to what cuts it short.
    CheckedSong song{number, number, {}};
    SongWalk walk;
    walk.keys = titles.keys;
    std::size_t j = i;
    for (;;) {
      const std::string& line = lines[j];
      const auto at = static_cast<std::uint32_t>(j + 1);
      const bool isTitleLine = line.find('"') != std::string::npos;
      if (j > i && isTitleLine) {
        if (!song.fault.found()) song.fault = fault(number, "the song has no end mark \"!\" before the next title");
        break;
      }
      ++j;
      song.lastLine = at;
      if (!song.fault.found()) {
        if (line.size() > ShortText::capacity) {
          song.fault = fault(at, "a line holds at most 255 characters");
        } else {
          const ShortText text(line);
          if (isTitleLine) song.fault = checkTitle(at, text, walk);
          if (!song.fault.found()) song.fault = checkTokens(at, text, isTitleLine, walk);
        }
      }
      if (endsSong(ShortText(line))) {
        afterSong = j;
        break;
      }
      if (j == lines.size()) {
        if (!song.fault.found()) song.fault = fault(number, "the song has no end mark \"!\"");
        break;
      }
    }
    if (!song.fault.found()) titles.keys = walk.keys;
    book.songs.push_back(song);
    i = j;
  }
  return book;
}
