#include "tools/song_grid.h"

#include <charconv>

namespace {

constexpr Language en = Language::english;
constexpr Language sv = Language::swedish;
constexpr Language fi = Language::finnish;
constexpr Language none = Language::none;

// Each library song's metre and upbeat, in library order. The upbeat is what
// the song's first line sings before its first bar line.
const std::vector<SongGrid> grids = {
    {"Ode to the Open Road", "4/4", "0", en},
    {"Yesterday's Lantern", "3/4", "0", en},
    {"Bergakungens sal", "4/4", "0", none},
    {"Stjärnan över ladan", "4/4", "0", sv},
    {"Morgonklockan", "4/4", "0", sv},
    {"Green Cloak at the Fair", "3/4", "1/4", en},
    {"Harbour Hymn", "3/4", "1/4", en},
    {"Old Friends at the Table", "4/4", "1/4", en},
    {"Vinternatt", "6/8", "0", sv},
    {"Snowfield Sleigh Ride", "4/4", "0", en},
    {"Marching Into Town", "4/4", "0", en},
    {"Pony to the County Fair", "2/4", "0", en},
    {"Heave and Haul", "2/4", "0", en, weakWordsOnDownbeats},
    {"Vaggvisa i månsken", "4/4", "0", sv},
    {"Elises albumblad", "3/8", "1/8", none},
    {"Menuett i G-dur", "3/4", "0", none},
    {"Våren i Venedig", "4/4", "1/4", none},
    {"Bridge by the Mill", "4/4", "0", en},
    {"Hagens lilla lamm", "4/4", "0", sv},
    {"Oars Across the Bay", "6/8", "0", en},
    {"Klockorna i dalen", "4/4", "0", sv},
    {"The Ferryman's Whistle", "6/8", "0", en},
    {"Sommarvind över sjön", "3/4", "0", sv},
    {"Kettle on the Hob", "4/4", "0", en},
    {"Midnight Bakery", "4/4", "0", en},
    {"Sleep by the Window", "3/4", "1/4", en},
    {"Knallen kommer", "4/4", "0", sv},
    {"Pachelbel's Canon", "4/4", "0", none},
    {"Rosalinda by the River", "4/4", "1/4", en, stressesBeforeDownbeats | weakWordsOnDownbeats},
    {"Tre små möss", "6/8", "0", sv},
    {"Willow by the Brook", "4/4", "0", en},
    {"Järven rannalla", "4/4", "0", fi},
    {"Shepherd in the Snow", "4/4", "0", en},
    {"Morning Mood", "6/8", "0", none},
    {"Snigeln på stenen", "6/8", "1/8", sv, weakWordsOnDownbeats},
    {"My Old Straw Hat", "3/4", "1/4", en},
    {"Spelmannen Sven", "3/4", "0", sv},
    {"The Blue Danube", "3/4", "0", none},
    {"Olsen's Farmyard", "4/4", "0", en},
    {"Myrorna på stigen", "4/4", "0", sv},
    {"Ship Coming Home", "3/4", "1/4", en},
    {"Tänd alla ljusen", "2/4", "0", sv},
    {"Tommy Brown's Drum", "4/4", "0", en},
    {"The Entertainer", "2/4", "1/8", none, tiesOverBarLines},
    {"Vägen hem i kväll", "4/4", "0", sv},
    {"Riverside Races", "4/4", "0", en},
    {"Skogens gamla gran", "3/4", "1/4", sv},
    {"New Year at the Door", "3/4", "1/4", en},
    {"Sjung, lilla lärka", "4/4", "0", sv},
};

// "3/4" as ticks, with the count of notes in `count`; "0" is 0; -1 when it is
// no count of a note the grid can hold.
int fractionTicks(std::string_view text, int& count) {
  count = 0;
  if (text == "0") return 0;
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return -1;
  int denominator = 0;
  const auto [countEnd, countError] = std::from_chars(text.data(), text.data() + slash, count);
  const auto [end, error] =
      std::from_chars(text.data() + slash + 1, text.data() + text.size(), denominator);
  if (countError != std::errc() || error != std::errc() || countEnd != text.data() + slash ||
      end != text.data() + text.size() || count <= 0 || denominator <= 0 ||
      denominator > ticksPerWhole || ticksPerWhole % denominator != 0) {
    return -1;
  }
  return count * (ticksPerWhole / denominator);
}

std::int64_t floorDivide(std::int64_t value, std::int64_t by) {
  return value >= 0 ? value / by : -((-value + by - 1) / by);
}

// A length as the shortest fraction of a whole note: 16 ticks are "1/8".
std::string lengthText(int ticks) {
  for (int denominator = 1; denominator <= ticksPerWhole; denominator *= 2) {
    const int unit = ticksPerWhole / denominator;
    if (ticks % unit == 0) return std::to_string(ticks / unit) + "/" + std::to_string(denominator);
  }
  return std::to_string(ticks) + "/" + std::to_string(ticksPerWhole);
}

std::string label(const SongSheet& song, std::uint16_t line) {
  return "\"" + song.title + "\" (lines " + std::to_string(song.firstLine) + "-" +
         std::to_string(song.lastLine) + "), line " + std::to_string(line) + ": ";
}

}  // namespace

const std::vector<SongGrid>& libraryGrids() { return grids; }

const SongGrid* libraryGrid(std::string_view title) {
  for (const SongGrid& grid : grids) {
    if (grid.title == title) return &grid;
  }
  return nullptr;
}

Metre metreOf(const SongGrid& grid) {
  Metre metre;
  int beats = 0;
  int unused = 0;
  metre.bar = fractionTicks(grid.metre, beats);
  metre.upbeat = fractionTicks(grid.upbeat, unused);
  if (metre.bar <= 0 || metre.upbeat < 0) return {};
  const int note = metre.bar / beats;
  const bool compound = note == ticksPerWhole / 8 && beats % 3 == 0;
  metre.beat = compound ? 3 * note : note;
  metre.subdivision = compound ? note : note / 2;
  return metre;
}

int placeWeight(int positionInBar, const Metre& metre) {
  if (positionInBar == 0) return downbeatWeight;
  if (metre.bar == 4 * metre.beat && positionInBar == 2 * metre.beat) return halfBarWeight;
  if (positionInBar % metre.beat == 0) return onBeatWeight;
  int weight = 0;
  for (int unit = metre.subdivision; unit > 0; unit /= 2, --weight) {
    if (positionInBar % unit == 0) return weight;
  }
  return weight;
}

int noteTicks(const SheetNote& note) {
  if (note.exponent < 0 || note.exponent > 7) return 0;
  const int plain = ticksPerWhole >> note.exponent;
  return plain + (note.dotted ? plain / 2 : 0);
}

std::vector<GridPlace> placeOnGrid(const SongSheet& song, const Metre& metre) {
  std::vector<GridPlace> places;
  places.reserve(song.notes.size());
  std::int64_t at = -metre.upbeat;
  for (const SheetNote& note : song.notes) {
    GridPlace place;
    place.start = at;
    place.length = noteTicks(note);
    place.bar = floorDivide(at, metre.bar);
    place.position = static_cast<int>(at - place.bar * metre.bar);
    place.weight = placeWeight(place.position, metre);
    places.push_back(place);
    at += place.length;
  }
  return places;
}

std::string beatName(int positionInBar, const Metre& metre) {
  const int beat = positionInBar / metre.beat + 1;
  const int rest = positionInBar % metre.beat;
  return "beat " + std::to_string(beat) + (rest == 0 ? "" : " + " + lengthText(rest));
}

std::vector<std::string> barGridFaults(const SongSheet& song, const SongGrid* grid) {
  if (grid == nullptr) return {label(song, song.firstLine) + "no metre and upbeat recorded"};
  const Metre metre = metreOf(*grid);
  if (!metre.valid()) {
    return {label(song, song.firstLine) + "the metre \"" + std::string(grid->metre) +
            "\" with upbeat \"" + std::string(grid->upbeat) + "\" cannot be read"};
  }
  const std::vector<GridPlace> places = placeOnGrid(song, metre);
  std::vector<std::string> faults;
  std::uint16_t reported = 0;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < places.size(); ++i) {
    const SheetNote& note = song.notes[i];
    if (i == 0 || note.line != song.notes[i - 1].line) lineStart = i;
    const GridPlace& place = places[i];
    const bool last = i + 1 == places.size();
    if (last && place.position % metre.beat != 0) {
      faults.push_back(label(song, note.line) + "the song's last note begins on " +
                       beatName(place.position, metre) + ", off the beat of " +
                       std::string(grid->metre));
    }
    const bool runsOver = place.position + place.length > metre.bar;
    const bool wholeBars = place.position == 0 && place.length % metre.bar == 0;
    const bool tied = grid->allows(tiesOverBarLines) && place.position % metre.beat != 0;
    if (!runsOver || wholeBars || last || tied || note.line == reported) continue;
    faults.push_back(label(song, note.line) + noteName(note.midiNote) +
                     lengthName(note.exponent, note.dotted).substr(1) + " on " +
                     beatName(place.position, metre) + " runs over the bar line of " +
                     std::string(grid->metre) + "; the line begins on " +
                     beatName(places[lineStart].position, metre));
    reported = note.line;
  }
  return faults;
}
