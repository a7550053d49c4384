#include "tools/lyric_fit.h"

#include <algorithm>
#include <map>

namespace {

constexpr int mostNotesLeftOver = 3;  // held or embellished syllables on one line
constexpr int leewayOverSameRhythm = 1;

bool separates(char c) { return c == ' ' || c == '-' || c == '\n' || c == '\r'; }

// A byte of a word: an ASCII letter or digit, or part of a UTF-8 letter
// such as "å" or "ö".
bool wordByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x80 || (byte >= '0' && byte <= '9') ||
         ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z');
}

std::string label(const SongSheet& song, std::uint16_t line) {
  return "\"" + song.title + "\" (lines " + std::to_string(song.firstLine) + "-" +
         std::to_string(song.lastLine) + "), line " + std::to_string(line) + ": ";
}

std::string counted(const LyricLine& line) {
  return std::to_string(line.syllables) + " syllables on " + std::to_string(line.notes) + " notes";
}

}  // namespace

std::string lyricText(std::string_view written) {
  std::string text;
  bool inTitle = false;
  for (char c : written) {
    if (c == '"') {
      inTitle = !inTitle;
    } else if (!inTitle) {
      text += c == '\n' || c == '\r' ? ' ' : c;
    }
  }
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

int syllableCount(std::string_view lyric) {
  int count = 0;
  bool inTitle = false;
  bool inPiece = false;
  bool pieceHasWord = false;
  const auto endPiece = [&] {
    if (inPiece && pieceHasWord) ++count;
    inPiece = false;
    pieceHasWord = false;
  };
  for (char c : lyric) {
    if (c == '"') {
      endPiece();
      inTitle = !inTitle;
    } else if (inTitle) {
      continue;
    } else if (separates(c)) {
      endPiece();
    } else {
      inPiece = true;
      pieceHasWord = pieceHasWord || wordByte(c);
    }
  }
  endPiece();
  return count;
}

std::vector<LyricLine> lyricLines(const SongSheet& song) {
  std::vector<LyricLine> lines;
  std::uint16_t current = 0;
  for (const SheetNote& note : song.notes) {
    if (note.line != current) {
      current = note.line;
      if (!lines.empty() && lines.back().spans.empty()) lines.pop_back();
      lines.push_back({current, {}, 0, 0, {}});
    }
    LyricLine& line = lines.back();
    const int syllables = syllableCount(note.lyric);
    if (syllables > 0) {
      line.spans.push_back({lyricText(note.lyric), syllables, 0});
      line.syllables += syllables;
    }
    if (line.spans.empty() || note.midiNote == restNote) continue;
    ++line.spans.back().notes;
    ++line.notes;
    line.rhythm +=
        (line.rhythm.empty() ? "" : " ") + lengthName(note.exponent, note.dotted).substr(2);
  }
  if (!lines.empty() && lines.back().spans.empty()) lines.pop_back();
  return lines;
}

std::vector<std::string> lyricFitFaults(const SongSheet& song) {
  const std::vector<LyricLine> lines = lyricLines(song);
  // The fewest notes left over on any line of each rhythm, and where.
  std::map<std::string, const LyricLine*> fullest;
  for (const LyricLine& line : lines) {
    const LyricLine*& best = fullest[line.rhythm];
    if (best == nullptr || line.notes - line.syllables < best->notes - best->syllables)
      best = &line;
  }
  std::vector<std::string> faults;
  for (const LyricLine& line : lines) {
    const int leftOver = line.notes - line.syllables;
    const LyricLine& sibling = *fullest[line.rhythm];
    const int siblingLeftOver = std::max(0, sibling.notes - sibling.syllables);
    if (leftOver < 0) {
      faults.push_back(label(song, line.line) + counted(line) + ": more syllables than notes");
    } else if (leftOver > mostNotesLeftOver) {
      faults.push_back(label(song, line.line) + counted(line) + ": more than " +
                       std::to_string(mostNotesLeftOver) + " notes without a syllable");
    } else if (leftOver > siblingLeftOver + leewayOverSameRhythm) {
      faults.push_back(label(song, line.line) + counted(line) + "; line " +
                       std::to_string(sibling.line) + " of the same rhythm has " +
                       std::to_string(siblingLeftOver) + " to spare");
    }
  }
  return faults;
}
