#include "tools/lyric_stress.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string_view>
#include <utility>

#include "tools/lyric_fit.h"
#include "tools/word_stress.h"

namespace {

std::string label(const SongSheet& song, std::uint16_t line) {
  return "\"" + song.title + "\" (lines " + std::to_string(song.firstLine) + "-" +
         std::to_string(song.lastLine) + "), line " + std::to_string(line) + ": ";
}

bool wordByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x80 || (byte >= '0' && byte <= '9') ||
         ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z');
}

bool hasWordByte(std::string_view piece) {
  return std::any_of(piece.begin(), piece.end(), wordByte);
}

// The piece without the punctuation around it; an apostrophe stays (o'-clock).
std::string bare(std::string_view piece) {
  std::string text;
  for (char c : piece) {
    if (wordByte(c) || c == '\'') text += c;
  }
  return text;
}

// A span's text as syllables, each with the word it belongs to. A word whose
// last piece ends in a hyphen goes on in the next span ("a-" ... "bove").
struct Speller {
  SungLyrics& sung;
  std::uint16_t line = 0;
  std::size_t span = 0;
  bool wordOpen = false;

  std::vector<std::size_t> spell(std::string_view text) {
    std::vector<std::size_t> spelled;
    std::size_t from = 0;
    while (from < text.size()) {
      const std::size_t blank = std::min(text.find(' ', from), text.size());
      spellToken(text.substr(from, blank - from), spelled);
      from = blank + 1;
    }
    return spelled;
  }

  void spellToken(std::string_view token, std::vector<std::size_t>& spelled) {
    if (!hasWordByte(token)) {
      wordOpen = false;  // a lone dash or mark
      return;
    }
    std::size_t from = 0;
    for (;;) {
      const std::size_t hyphen = token.find('-', from);
      const std::string_view piece = token.substr(from, hyphen - from);
      if (hasWordByte(piece)) addSyllable(piece, spelled);
      if (hyphen == std::string_view::npos) {
        wordOpen = false;
        return;
      }
      from = hyphen + 1;
      if (from == token.size()) return;  // the word goes on in the next span
    }
  }

  void addSyllable(std::string_view piece, std::vector<std::size_t>& spelled) {
    if (!wordOpen) {
      sung.words.push_back({{}, line, {}});
      wordOpen = true;
    }
    SungWord& word = sung.words.back();
    word.text += (word.text.empty() ? "" : "-") + lowerCase(bare(piece));
    word.syllables.push_back(sung.syllables.size());
    spelled.push_back(sung.syllables.size());
    sung.syllables.push_back({bare(piece), sung.words.size() - 1, unsung, {}, 0, span});
  }
};

struct Finding {
  std::uint16_t line = 0;
  std::string message;
};

// A word turned round: its weak and stressed notes counted in their line.
struct Turned {
  Finding finding;
  std::size_t weakNote = 0;
  std::size_t stressedNote = 0;
  std::string word;
};

// The stress rules over a sung song, for every syllable or for those a
// filter picks (the placing reads one span at a time with them).
struct StressJudge {
  const SongSheet& song;
  const SongGrid& grid;
  const Metre metre;
  const SungLyrics& sung;

  int weightOf(const SungSyllable& s) const { return sung.places[s.note].weight; }
  std::string placeOf(const SungSyllable& s) const {
    return beatName(sung.places[s.note].position, metre);
  }
  bool wordPlaced(const SungWord& word) const {
    return std::all_of(word.syllables.begin(), word.syllables.end(),
                       [&](std::size_t s) { return sung.syllables[s].note != unsung; });
  }
  std::size_t lastNote(const SungSyllable& s) const {
    return s.held.empty() ? s.note : s.held.back();
  }
  std::size_t inLine(std::size_t note) const {
    std::size_t first = note;
    while (first > 0 && song.notes[first - 1].line == song.notes[note].line) --first;
    return note - first;
  }

  // Whether the syllable ends its phrase: nothing is sung after it on its line
  // before a rest or the line's end.
  bool endsPhrase(const SungSyllable& s) const {
    const std::size_t next = lastNote(s) + 1;
    return next >= song.notes.size() || song.notes[next].line != song.notes[s.note].line ||
           song.notes[next].midiNote == restNote;
  }

  // Whether the tune's dotted lead-in lets the word's weak syllable `other`
  // take the downbeat after its stress on the short note before it.
  bool patternAllows(const SungSyllable& stressed, const SungSyllable& other) const {
    const GridPlace& place = sung.places[stressed.note];
    return grid.allows(stressesBeforeDownbeats) && weightOf(other) == downbeatWeight &&
           stressed.held.empty() && other.note == stressed.note + 1 &&
           place.length <= ticksPerWhole / 8 && place.position + place.length == metre.bar;
  }

  void wordStress(const std::function<bool(std::size_t)>& picked, std::vector<Turned>& out) const {
    for (const SungWord& word : sung.words) {
      if (word.syllables.size() < 2 || !wordPlaced(word)) continue;
      if (std::none_of(word.syllables.begin(), word.syllables.end(), picked)) continue;
      const std::vector<Stress> stresses = syllableStresses(grid.language, word.text);
      if (stresses.size() != word.syllables.size()) continue;
      const auto main = static_cast<std::size_t>(
          std::find(stresses.begin(), stresses.end(), Stress::primary) - stresses.begin());
      const SungSyllable& stressed = sung.syllables[word.syllables[main]];
      for (std::size_t k = 0; k < word.syllables.size(); ++k) {
        const SungSyllable& other = sung.syllables[word.syllables[k]];
        if (stresses[k] != Stress::none) continue;
        const bool stronger = weightOf(other) > weightOf(stressed);
        // A short stress and a weak syllable after it held long on a beat:
        // the long note takes the accent ("som-ma-ren" on a dotted quarter).
        const std::int64_t stressedNote = sung.places[stressed.note].length;
        const bool longer = k > main && weightOf(other) >= onBeatWeight &&
                            stressedNote < ticksPerWhole / 4 && other.ticks >= 2 * stressedNote;
        if ((!stronger && !longer) || patternAllows(stressed, other)) continue;
        out.push_back(
            {{word.line, "\"" + word.text + "\": \"" + other.text + "\" on " + placeOf(other) +
                             (stronger ? " lies stronger than" : " is held longer than") +
                             " the stressed \"" + stressed.text + "\" on " + placeOf(stressed)},
             inLine(other.note),
             inLine(stressed.note),
             word.text});
        break;
      }
    }
  }

  // Whether the syllable carries a stress: the main one of its word, or a
  // word of one syllable that is not weak.
  bool stressed(std::size_t s) const {
    const SungWord& word = sung.words[sung.syllables[s].word];
    if (word.syllables.size() == 1) return !isWeakWord(grid.language, word.text);
    const std::vector<Stress> stresses = syllableStresses(grid.language, word.text);
    const auto at = static_cast<std::size_t>(
        std::find(word.syllables.begin(), word.syllables.end(), s) - word.syllables.begin());
    return at < stresses.size() && stresses[at] == Stress::primary;
  }

  // The syllable sung right beside `s` (before or after it) on its line, with
  // no rest between, or unsung.
  std::size_t neighbour(std::size_t s, bool after) const {
    if (after ? s + 1 >= sung.syllables.size() : s == 0) return unsung;
    const std::size_t n = after ? s + 1 : s - 1;
    const SungSyllable& first = sung.syllables[after ? s : n];
    const SungSyllable& second = sung.syllables[after ? n : s];
    if (first.note == unsung || second.note == unsung || second.note != lastNote(first) + 1 ||
        song.notes[first.note].line != song.notes[second.note].line) {
      return unsung;
    }
    return n;
  }

  void weakWords(const std::function<bool(std::size_t)>& picked, std::vector<Finding>& out) const {
    if (grid.allows(weakWordsOnDownbeats)) return;
    for (std::size_t s = 0; s < sung.syllables.size(); ++s) {
      const SungSyllable& weak = sung.syllables[s];
      if (weak.note == unsung || !picked(s) || weightOf(weak) != downbeatWeight) continue;
      const SungWord& word = sung.words[weak.word];
      if (word.syllables.size() != 1 || !isWeakWord(grid.language, word.text)) continue;
      if (!weak.held.empty()) {
        out.push_back({word.line, "the weak \"" + weak.text + "\" is held on the downbeat over " +
                                      std::to_string(weak.held.size() + 1) + " notes"});
        continue;
      }
      for (bool after : {true, false}) {
        const std::size_t n = neighbour(s, after);
        if (n == unsung || !stressed(n)) continue;
        const SungSyllable& other = sung.syllables[n];
        if (weightOf(other) >= downbeatWeight) continue;
        // The stressed syllable's own note, without what it holds after it.
        const std::int64_t otherNote = sung.places[other.note].length;
        if (after && weak.ticks < otherNote) continue;
        if (!after && (other.span != weak.span || weak.ticks <= other.ticks || endsPhrase(weak) ||
                       canBeParticle(grid.language, word.text))) {
          continue;
        }
        out.push_back({word.line, "the weak \"" + weak.text + "\" is held on the downbeat " +
                                      (after ? "before" : "after") + " the stressed \"" +
                                      other.text + "\" on " + placeOf(other)});
        break;
      }
    }
  }
};

// Every way to choose `count` of the span's notes 1.. to hold, in the order
// of preference: the weakest first, then the latest. A long melisma has too
// many ways to try them all; the most likely are enough.
constexpr std::size_t mostHoldings = 256;

std::vector<std::vector<std::size_t>> holdings(const std::vector<std::size_t>& notes,
                                               std::size_t count,
                                               const std::vector<GridPlace>& places) {
  std::vector<std::size_t> order;
  for (std::size_t k = 1; k < notes.size(); ++k) order.push_back(k);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const GridPlace& pa = places[notes[a]];
    const GridPlace& pb = places[notes[b]];
    if (pa.weight != pb.weight) return pa.weight < pb.weight;
    return a > b;
  });
  std::vector<std::vector<std::size_t>> result;
  std::vector<std::size_t> chosen;
  const std::function<void(std::size_t)> pick = [&](std::size_t from) {
    if (chosen.size() == count) {
      result.push_back(chosen);
      return;
    }
    for (std::size_t k = from; k < order.size() && result.size() < mostHoldings; ++k) {
      chosen.push_back(order[k]);
      pick(k + 1);
      chosen.pop_back();
    }
  };
  pick(0);
  return result;
}

// Sings the span's syllables on its notes, the notes listed in `held` (by
// their index in the span) holding the syllable before them.
void singSpan(SungLyrics& sung, const std::vector<std::size_t>& notes,
              const std::vector<std::size_t>& spelled, const std::vector<std::size_t>& held) {
  for (std::size_t s : spelled) {
    sung.syllables[s].note = unsung;
    sung.syllables[s].held.clear();
    sung.syllables[s].ticks = 0;
  }
  std::size_t next = 0;
  for (std::size_t k = 0; k < notes.size(); ++k) {
    const std::int64_t length = sung.places[notes[k]].length;
    sung.syllableOf[notes[k]] = unsung;
    if (std::find(held.begin(), held.end(), k) != held.end() && next > 0) {
      SungSyllable& syllable = sung.syllables[spelled[next - 1]];
      syllable.held.push_back(notes[k]);
      syllable.ticks += length;
    } else if (next < spelled.size()) {
      SungSyllable& syllable = sung.syllables[spelled[next]];
      syllable.note = notes[k];
      syllable.ticks = length;
      sung.syllableOf[notes[k]] = spelled[next++];
    }
  }
}

// The note text of a run of notes, "E5/4. F5/8 E5/4".
std::string notesText(const SongSheet& song, const std::vector<std::size_t>& notes) {
  std::string text;
  for (std::size_t n : notes) {
    const SheetNote& note = song.notes[n];
    text += (text.empty() ? "" : " ") + noteName(note.midiNote) +
            lengthName(note.exponent, note.dotted).substr(1);
  }
  return text;
}

// Each line's rhythm: the length of every note and rest on it.
std::map<std::uint16_t, std::string> lineRhythms(const SongSheet& song,
                                                 const std::vector<GridPlace>& places) {
  std::map<std::uint16_t, std::string> rhythms;
  for (std::size_t n = 0; n < song.notes.size(); ++n) {
    rhythms[song.notes[n].line] +=
        std::to_string(places[n].length) + (song.notes[n].midiNote == restNote ? "r " : " ");
  }
  return rhythms;
}

// The words turned round, less those the tune turns round itself: where every
// line of the rhythm (three or more) turns the same notes, with three
// different words among them.
std::vector<Finding> ownPattern(const SongSheet& song, const std::vector<GridPlace>& places,
                                const std::vector<Turned>& turned) {
  const std::map<std::uint16_t, std::string> rhythms = lineRhythms(song, places);
  std::vector<Finding> kept;
  for (const Turned& finding : turned) {
    const std::string& rhythm = rhythms.at(finding.finding.line);
    std::size_t lines = 0;
    bool everyLine = true;
    std::vector<std::string> words;
    for (const auto& [rhythmLine, other] : rhythms) {
      if (other != rhythm) continue;
      ++lines;
      // A plain copy: clang 14 cannot capture a structured binding in a lambda.
      const std::uint16_t line = rhythmLine;
      const auto same = std::find_if(turned.begin(), turned.end(), [&](const Turned& t) {
        return t.finding.line == line && t.weakNote == finding.weakNote &&
               t.stressedNote == finding.stressedNote;
      });
      if (same == turned.end()) {
        everyLine = false;
        break;
      }
      if (std::find(words.begin(), words.end(), same->word) == words.end())
        words.push_back(same->word);
    }
    if (!(everyLine && lines >= 3 && words.size() >= 3)) kept.push_back(finding.finding);
  }
  return kept;
}

bool readable(const SongGrid* grid) { return grid != nullptr && metreOf(*grid).valid(); }

std::vector<std::string> messages(const SongSheet& song, std::vector<Finding> findings) {
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  std::vector<std::string> result;
  for (const Finding& finding : findings)
    result.push_back(label(song, finding.line) + finding.message);
  return result;
}

}  // namespace

SungLyrics singLyrics(const SongSheet& song, const SongGrid& grid) {
  const Metre metre = metreOf(grid);
  SungLyrics sung;
  sung.places = placeOnGrid(song, metre);
  sung.syllableOf.assign(song.notes.size(), unsung);
  Speller speller{sung};
  const StressJudge judge{song, grid, metre, sung};
  std::size_t i = 0;
  while (i < song.notes.size()) {
    const SheetNote& first = song.notes[i];
    if (syllableCount(first.lyric) == 0) {
      ++i;
      continue;
    }
    // The span: this note's lyric over the sounded notes up to the next lyric
    // or the end of the line.
    std::vector<std::size_t> notes;
    std::size_t j = i;
    for (; j < song.notes.size() && song.notes[j].line == first.line &&
           (j == i || syllableCount(song.notes[j].lyric) == 0);
         ++j) {
      if (song.notes[j].midiNote != restNote) notes.push_back(j);
    }
    const std::string text = lyricText(first.lyric);
    speller.line = first.line;
    const std::vector<std::size_t> spelled = speller.spell(text);
    ++speller.span;
    if (spelled.size() > notes.size()) {
      sung.overflows.push_back(label(song, first.line) + "<" + text + "> has " +
                               std::to_string(spelled.size()) + " syllables for " +
                               std::to_string(notes.size()) + " notes");
    }
    if (spelled.size() >= notes.size() || spelled.empty()) {
      singSpan(sung, notes, spelled, {});
    } else {
      const auto inSpan = [&](std::size_t s) {
        return std::find(spelled.begin(), spelled.end(), s) != spelled.end();
      };
      // The fewest faults first, then the fewest notes held by weak words.
      std::vector<std::size_t> best;
      std::pair<std::size_t, std::size_t> fewest{static_cast<std::size_t>(-1), 0};
      for (const std::vector<std::size_t>& held :
           holdings(notes, notes.size() - spelled.size(), sung.places)) {
        singSpan(sung, notes, spelled, held);
        std::vector<Turned> turned;
        std::vector<Finding> found;
        judge.wordStress(inSpan, turned);
        judge.weakWords(inSpan, found);
        std::size_t weakHeld = 0;
        for (std::size_t s : spelled) {
          const SungWord& word = sung.words[sung.syllables[s].word];
          if (word.syllables.size() == 1 && isWeakWord(grid.language, word.text))
            weakHeld += sung.syllables[s].held.size();
        }
        const std::pair<std::size_t, std::size_t> cost{turned.size() + found.size(), weakHeld};
        if (cost < fewest) {
          fewest = cost;
          best = held;
        }
        if (fewest.first == 0 && fewest.second == 0) break;
      }
      singSpan(sung, notes, spelled, best);
    }
    i = j;
  }
  return sung;
}

std::vector<std::string> spanFaults(const SongSheet& song, const SongGrid* grid) {
  if (!readable(grid)) return {};
  return singLyrics(song, *grid).overflows;
}

std::vector<std::string> stressFaults(const SongSheet& song, const SongGrid* grid) {
  if (!readable(grid) || grid->language == Language::none) return {};
  const SungLyrics sung = singLyrics(song, *grid);
  const StressJudge judge{song, *grid, metreOf(*grid), sung};
  std::vector<Turned> turned;
  const auto all = [](std::size_t) { return true; };
  judge.wordStress(all, turned);
  std::vector<Finding> found = ownPattern(song, sung.places, turned);
  judge.weakWords(all, found);
  return messages(song, std::move(found));
}

std::vector<std::string> melismaFaults(const SongSheet& song, const SongGrid* grid) {
  if (!readable(grid) || grid->language == Language::none) return {};
  const SungLyrics sung = singLyrics(song, *grid);
  // Whether the notes from `first` on lie on the places and last the lengths
  // of `melisma`, each with a syllable of its own.
  const auto sungSyllabically = [&](std::size_t first, const std::vector<std::size_t>& melisma) {
    if (first + melisma.size() > song.notes.size()) return false;
    for (std::size_t k = 0; k < melisma.size(); ++k) {
      const GridPlace& place = sung.places[first + k];
      const GridPlace& held = sung.places[melisma[k]];
      if (place.position != held.position || place.length != held.length ||
          sung.syllableOf[first + k] == unsung) {
        return false;
      }
    }
    return true;
  };
  std::vector<Finding> found;
  for (const SungSyllable& syllable : sung.syllables) {
    if (syllable.note == unsung || syllable.held.size() < 2) continue;
    std::vector<std::size_t> melisma{syllable.note};
    melisma.insert(melisma.end(), syllable.held.begin(), syllable.held.end());
    for (std::size_t first = 0; first < song.notes.size(); ++first) {
      if (!sungSyllabically(first, melisma)) continue;
      found.push_back({song.notes[syllable.note].line,
                       "\"" + syllable.text + "\" is held over " + notesText(song, melisma) +
                           ", a rhythm that line " + std::to_string(song.notes[first].line) +
                           " sings a syllable to a note"});
      break;
    }
  }
  return messages(song, std::move(found));
}
