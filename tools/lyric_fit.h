// How a song's lyrics fit its notes, from the song sheet: the lyric written
// before a note is sung from that note on. A singer sings one syllable per
// note, or holds one over a few notes (a tie or a melisma).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/song_sheet.h"

// Syllables of lyric text: its words split at blanks and hyphens; a piece
// counts when it holds a letter or a digit. A title, in double quotes, is no
// lyric and counts nothing.
int syllableCount(std::string_view lyric);

// The lyric as sung: without the title written before a song's first note,
// line ends read as blanks, no blanks around it.
std::string lyricText(std::string_view written);

// A lyric span: its text (UTF-8) and the sounded notes it covers, from the
// note it is written before up to the next lyric or the end of its line.
struct LyricSpan {
  std::string text;
  int syllables = 0;
  int notes = 0;
};

// A line that carries lyrics, counted from its first lyric to its end; rests
// sing nothing and are not counted.
struct LyricLine {
  std::uint16_t line = 0;
  std::vector<LyricSpan> spans;
  int syllables = 0;
  int notes = 0;
  std::string rhythm;  // the covered notes' lengths, "4 8 8 4." for comparing lines
};

std::vector<LyricLine> lyricLines(const SongSheet& song);

// The fit a musician holds a line to (one message per line that breaks it):
//  - no more syllables than notes: every syllable needs a note of its own;
//  - at most three notes more than syllables: a few held or embellished
//    syllables, beyond which the words no longer show where they go;
//  - at most one note more left over than on the song's fullest line of the
//    same rhythm: where another verse sings those notes one syllable each,
//    the song itself shows that the tune has no melisma there.
std::vector<std::string> lyricFitFaults(const SongSheet& song);
