// song-sheet: reads the song library back as a musician would. Every song is
// played line by line through the real interpreter on the scripted fake
// machine; the sheet shows each note's name, octave row and length with the
// song's bar lines, every line's time, the syllable sung on each note ("~"
// where one is held on), its lyric spans with their syllables against the
// notes they cover, the song's total time and range, and any broken rule.
//
//   song-sheet             every song in full
//   song-sheet --summary   one line per song, then the totals
//   song-sheet 3 7         songs 3 and 7 (counted from 1) in full
//
// The exit code is 1 when a song breaks a musical rule or cannot be read.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/hyphenation.h"
#include "tools/lyric_fit.h"
#include "tools/lyric_stress.h"
#include "tools/song_grid.h"
#include "tools/song_sheet.h"

namespace {

std::string seconds(std::int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%04.1f", static_cast<long long>(ms / 60000),
                static_cast<double>(ms % 60000) / 1000.0);
  return text;
}

// Lowest and highest sounded note; both rest when the song sounds nothing.
std::pair<int, int> rangeOf(const SongSheet& song) {
  int lowest = restNote;
  int highest = restNote;
  for (const SheetNote& note : song.notes) {
    if (note.midiNote == restNote) continue;
    if (lowest == restNote || note.midiNote < lowest) lowest = note.midiNote;
    highest = std::max(highest, note.midiNote);
  }
  return {lowest, highest};
}

std::string joined(const std::vector<int>& values, const char* prefix) {
  std::string text;
  for (int value : values) {
    char item[16];
    std::snprintf(item, sizeof item, "%s%02d", prefix, value);
    text += text.empty() ? item : std::string(" ") + item;
  }
  return text;
}

void printHeading(std::size_t number, const SongSheet& song) {
  const auto [lowest, highest] = rangeOf(song);
  std::printf("%2zu \"%s\"  lines %u-%u (%u)  %s  range %s..%s  tempo %s", number,
              song.title.c_str(), song.firstLine, song.lastLine, song.lastLine - song.firstLine + 1,
              seconds(song.totalMs).c_str(), noteName(lowest).c_str(), noteName(highest).c_str(),
              joined(song.tempos, "Z").c_str());
  if (!song.programs.empty()) std::printf("  instrument %s", joined(song.programs, "").c_str());
  std::printf("\n");
}

// "<Wake up, friend,> 4/4  <the road is call-ing,> 4/5": syllables/notes.
void printLyrics(const LyricLine& line) {
  std::printf("          %d/%d:", line.syllables, line.notes);
  for (const LyricSpan& span : line.spans) {
    std::printf("  <%s> %d/%d", span.text.c_str(), span.syllables, span.notes);
  }
  std::printf("\n");
}

// Columns as wide as the wider of their two cells; widths count UTF-8 letters.
std::size_t width(const std::string& text) {
  std::size_t letters = 0;
  for (char c : text) letters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return letters;
}

void printColumns(const std::vector<std::string>& upper, const std::vector<std::string>& lower,
                  bool withLower) {
  std::string top;
  std::string bottom;
  for (std::size_t k = 0; k < upper.size(); ++k) {
    const std::size_t cell = std::max(width(upper[k]), width(lower[k]));
    top += " " + upper[k] + std::string(cell - width(upper[k]), ' ');
    bottom += " " + lower[k] + std::string(cell - width(lower[k]), ' ');
  }
  std::printf("%s\n", top.c_str());
  while (!bottom.empty() && bottom.back() == ' ') bottom.pop_back();
  if (withLower) std::printf("                 %s\n", bottom.c_str());
}

void printNotes(const SongSheet& song) {
  const std::vector<LyricLine> lyrics = lyricLines(song);
  const SongGrid* grid = libraryGrid(song.title);
  const Metre metre = grid != nullptr ? metreOf(*grid) : Metre{};
  const SungLyrics sung = metre.valid() ? singLyrics(song, *grid) : SungLyrics{};
  std::vector<std::string> syllables(song.notes.size());
  for (const SungSyllable& syllable : sung.syllables) {
    if (syllable.note == unsung) continue;
    syllables[syllable.note] = syllable.text;
    for (std::size_t held : syllable.held) syllables[held] = "~";
  }
  auto nextLyrics = lyrics.begin();
  std::size_t i = 0;
  while (i < song.notes.size()) {
    const std::uint16_t line = song.notes[i].line;
    std::int64_t ms = 0;
    std::vector<std::string> notes;
    std::vector<std::string> sungHere;
    bool anySung = false;
    for (; i < song.notes.size() && song.notes[i].line == line; ++i) {
      const SheetNote& note = song.notes[i];
      ms += note.ms;
      const bool barLine = !sung.places.empty() && sung.places[i].position == 0 && i > 0 &&
                           sung.places[i].bar != sung.places[i - 1].bar;
      if (barLine && !notes.empty()) {
        notes.emplace_back("|");
        sungHere.emplace_back("|");
      }
      notes.push_back(noteName(note.midiNote) + lengthName(note.exponent, note.dotted).substr(1));
      sungHere.push_back(syllables[i]);
      anySung = anySung || !syllables[i].empty();
    }
    std::printf("    %3u %5.1f s:", line, static_cast<double>(ms) / 1000.0);
    printColumns(notes, sungHere, anySung);
    if (nextLyrics != lyrics.end() && nextLyrics->line == line) printLyrics(*nextLyrics++);
  }
}

// The rules of the sheet by name, counted apart in the totals.
struct Rule {
  const char* name;
  std::vector<std::string> (*faults)(const SongSheet&, const SongGrid*);
};

constexpr Rule rules[] = {
    {"reading", [](const SongSheet& song, const SongGrid*) { return song.readingFaults; }},
    {"time", [](const SongSheet& song, const SongGrid*) { return playingTimeFaults(song); }},
    {"range", [](const SongSheet& song, const SongGrid*) { return rangeFaults(song); }},
    {"digit", [](const SongSheet& song, const SongGrid*) { return durationDigitFaults(song); }},
    {"fit", [](const SongSheet& song, const SongGrid*) { return lyricFitFaults(song); }},
    {"grid", barGridFaults},
    {"span", spanFaults},
    {"stress", stressFaults},
    {"melisma", melismaFaults},
    {"hyphenation", hyphenationFaults},
};

}  // namespace

int main(int argc, char** argv) {
  bool summary = false;
  std::vector<std::size_t> chosen;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--summary") {
      summary = true;
    } else if (std::atoi(argv[i]) > 0) {
      chosen.push_back(static_cast<std::size_t>(std::atoi(argv[i])));
    } else {
      std::fprintf(stderr, "usage: song-sheet [--summary] [song number ...]\n");
      return 2;
    }
  }

  const std::vector<SongSheet> songs = readLibrarySongs();
  std::size_t faultCount = 0;
  std::vector<std::size_t> byRule(std::size(rules), 0);
  std::size_t shortest = 0;
  std::size_t longest = 0;
  int lowest = restNote;
  int highest = restNote;
  for (std::size_t k = 0; k < songs.size(); ++k) {
    const SongSheet& song = songs[k];
    const bool shown = chosen.empty() || std::count(chosen.begin(), chosen.end(), k + 1) > 0;
    if (shown) printHeading(k + 1, song);
    if (shown && !summary) printNotes(song);
    const SongGrid* grid = libraryGrid(song.title);
    for (std::size_t r = 0; r < std::size(rules); ++r) {
      for (const std::string& fault : rules[r].faults(song, grid)) {
        std::printf("    FAULT %s: %s\n", rules[r].name, fault.c_str());
        ++faultCount;
        ++byRule[r];
      }
    }
    if (song.totalMs < songs[shortest].totalMs) shortest = k;
    if (song.totalMs > songs[longest].totalMs) longest = k;
    const auto [low, high] = rangeOf(song);
    if (low != restNote && (lowest == restNote || low < lowest)) lowest = low;
    highest = std::max(highest, high);
  }
  if (songs.empty()) {
    std::printf("No songs in the library.\n");
    return 1;
  }
  std::string kinds;
  for (std::size_t r = 0; r < std::size(rules); ++r) {
    if (byRule[r] == 0) continue;
    kinds += (kinds.empty() ? " (" : ", ") + std::string(rules[r].name) + " " +
             std::to_string(byRule[r]);
  }
  if (!kinds.empty()) kinds += ")";
  std::printf("%zu songs; shortest \"%s\" %s, longest \"%s\" %s; range %s..%s; %zu faults%s\n",
              songs.size(), songs[shortest].title.c_str(), seconds(songs[shortest].totalMs).c_str(),
              songs[longest].title.c_str(), seconds(songs[longest].totalMs).c_str(),
              noteName(lowest).c_str(), noteName(highest).c_str(), faultCount, kinds.c_str());
  return faultCount == 0 ? 0 : 1;
}
