// A song's lyrics as a singer sings them on its bar grid, and the rules a
// musician reads them by.
//
// Placing: a lyric span is sung from the note it is written before. Its
// syllables take its notes one by one; where the span has more notes than
// syllables, the extra notes are a melisma, each holding the syllable before
// it. Which notes hold is read as a singer would: the reading that breaks
// the fewest stress rules inside the span, then the one that holds the
// fewest notes on weak words, then the one that holds the span's weakest
// notes (the lowest beat weight, then the latest); the span's first note
// always takes a syllable. A syllable is judged by the place of the note it
// begins on and lasts as long as the notes it holds. Pickups need nothing of
// their own: notes before a bar line lie on the weak places of the grid like
// any other, so "a-" of "a-gain" before the bar line and "gain" on it fit,
// and a weak word there is never on a downbeat.
//
// The rules:
//  - span: no span has more syllables than notes (its words would run into
//    the next phrase's notes);
//  - word stress: no syllable of a word lies on a stronger place than the
//    word's stressed syllable, nor, after a stress shorter than a quarter,
//    on a beat and held twice as long; a second stress of a compound or of
//    a long Finnish word may. Where every line of the song in the same
//    rhythm (three or more, with three different words there) turns the
//    same notes round, that is the tune's own pattern and passes;
//  - weak word: an article, conjunction, preposition, pronoun or auxiliary
//    on a downbeat is not held over two notes or more; it is not held as
//    long as the stressed syllable after it on the same line (no rest
//    between) when that lies on a weaker place; and it is not held longer
//    than the stressed syllable before it in the same span on a weaker place,
//    unless it ends the phrase or may be the particle of a verb before it
//    ("go by", "comes in" take the stress): the downbeat belongs to the
//    stressed syllable;
//  - melisma: a syllable held over three notes or more is wrong where the
//    song sings the same rhythm (the same lengths on the same places of the
//    bar) a syllable to a note elsewhere: its own verses show the tune has no
//    melisma there;
// A song's grid may record that its tune does something on purpose (a
// weak word on the downbeat, a dotted lead-in); the stress rules then let
// that pass in that song.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/song_grid.h"
#include "tools/song_sheet.h"

constexpr std::size_t unsung = static_cast<std::size_t>(-1);

struct SungSyllable {
  std::string text;               // as written, without hyphens
  std::size_t word = 0;           // index into SungLyrics::words
  std::size_t note = unsung;      // the note it begins on; unsung when its span ran out
  std::vector<std::size_t> held;  // the notes after it that hold it (a melisma)
  std::int64_t ticks = 0;
  std::size_t span = 0;  // which lyric span of the song it is written in, from 0
};

struct SungWord {
  std::string text;  // lower-case, hyphenated, without punctuation
  std::uint16_t line = 0;
  std::vector<std::size_t> syllables;
};

struct SungLyrics {
  std::vector<GridPlace> places;  // of every note and rest
  std::vector<SungSyllable> syllables;
  std::vector<SungWord> words;
  std::vector<std::size_t> syllableOf;  // for every note: the syllable begun on it, or unsung
  std::vector<std::string> overflows;   // the span rule's messages
};

// The song sung on its grid, which must be readable (metreOf(grid).valid()).
SungLyrics singLyrics(const SongSheet& song, const SongGrid& grid);

// One message per fault; nothing for a song without lyrics, and nothing when
// the grid is missing or unreadable (the grid rule reports that).
std::vector<std::string> spanFaults(const SongSheet& song, const SongGrid* grid);
std::vector<std::string> stressFaults(const SongSheet& song, const SongGrid* grid);
std::vector<std::string> melismaFaults(const SongSheet& song, const SongGrid* grid);
