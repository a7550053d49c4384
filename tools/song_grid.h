// The bar grid of a song: its metre and upbeat, recorded once for every
// library song, and every note and rest of the song placed on it. A note's
// place gives the weight of the beat it starts on, which the stress rules
// read; the grid rule holds every bar to the metre.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/song_sheet.h"

enum class Language { none, english, swedish, finnish };

// Lengths in ticks: a whole note is 128, so a dotted 1/32 is still whole.
constexpr int ticksPerWhole = 128;

// What a song's own tune does on purpose, where the rules would otherwise
// see a fault.
enum Pattern : unsigned {
  // Ragtime: a note begun off the beat is tied over the bar line.
  tiesOverBarLines = 1,
  // A shanty's "and up she rises": a weak word takes the downbeat.
  weakWordsOnDownbeats = 2,
  // A dotted lead-in ("with my ban-jo"): a word's stress on the short note
  // before a downbeat, its weak syllable on the downbeat.
  stressesBeforeDownbeats = 4,
};

struct SongGrid {
  std::string_view title;   // UTF-8, as the sheet reads it
  std::string_view metre;   // "3/4", "6/8", ...: beats to the bar and their note
  std::string_view upbeat;  // the notes before the first bar line: "0", "1/4", "1/8"
  Language language = Language::none;
  unsigned patterns = 0;  // Pattern flags
  bool allows(Pattern pattern) const { return (patterns & pattern) != 0; }
};

// The library songs' grids, one a song.
const std::vector<SongGrid>& libraryGrids();
// The grid recorded for a library title, or nullptr.
const SongGrid* libraryGrid(std::string_view title);

// A metre as lengths in ticks. Six, nine or twelve eighths (and three) are
// counted in dotted quarters, other metres in their written note.
struct Metre {
  int bar = 0;
  int beat = 0;
  int subdivision = 0;  // half a simple beat, a third of a compound one
  int upbeat = 0;
  bool valid() const {
    return bar > 0 && beat > 0 && subdivision > 0 && upbeat >= 0 && upbeat < bar;
  }
};
Metre metreOf(const SongGrid& grid);

// The weight of the place a note starts on: the downbeat 3, the middle of a
// bar of four beats 2, any other beat 1, half a beat (a third of a compound
// one) 0, finer places below that.
constexpr int downbeatWeight = 3;
constexpr int halfBarWeight = 2;
constexpr int onBeatWeight = 1;
int placeWeight(int positionInBar, const Metre& metre);

struct GridPlace {
  std::int64_t start = 0;  // ticks from the first bar line; the upbeat is negative
  int length = 0;          // ticks
  std::int64_t bar = 0;    // 0 is the first full bar, -1 the upbeat
  int position = 0;        // ticks into the bar
  int weight = 0;
};

int noteTicks(const SheetNote& note);
// One place for every note and rest of the song, in order.
std::vector<GridPlace> placeOnGrid(const SongSheet& song, const Metre& metre);

// "beat 3", "beat 2 + 1/8": where in its bar a place lies.
std::string beatName(int positionInBar, const Metre& metre);

// Every bar adds up to the metre: no note or rest runs over a bar line,
// except a note held from a downbeat for whole bars, the song's last note,
// which may ring on, and in ragtime a note tied over from off the beat; and
// the song's last note begins on a beat. One message for each line that
// breaks the grid, naming the first note that runs over and where the line
// began in its bar. A song without a grid, or with a metre that cannot be
// read, is a fault.
std::vector<std::string> barGridFaults(const SongSheet& song, const SongGrid* grid);
