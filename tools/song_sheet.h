// A song sheet: every song of a set of library lines played through the real
// interpreter on the scripted fake machine, note by note, with the note text's
// own reading of each note's length beside it. The song sheet tool prints it;
// the song shape test holds every library song to the musical rules with it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "text/short_text.h"

constexpr int restNote = -1;

struct SheetNote {
  std::uint16_t line = 0;
  int midiNote = restNote;  // as sounded: row 4, C is 60
  int exponent = 1;         // the duration digit in force, as the text reads it
  bool dotted = false;
  std::int64_t ms = 0;  // as played on the virtual clock
  // UTF-8: what the player wrote since the note before, so the lyric sung
  // from this note on (and the title, in quotes, before a song's first note).
  std::string lyric;
};

struct SongSheet {
  std::uint16_t firstLine = 0;
  std::uint16_t lastLine = 0;  // the line with the end mark
  std::string title;           // UTF-8, without its quotes
  std::vector<int> tempos;     // every tempo operand in order (Z20 is 20)
  std::vector<int> programs;   // every instrument operand in order
  std::vector<SheetNote> notes;
  std::int64_t totalMs = 0;
  // Where the text's reading and the player disagree, or where the song has
  // no end mark: a fault of the sheet itself, not of the music.
  std::vector<std::string> readingFaults;
};

using SongLines = std::function<ShortText(std::uint16_t)>;

// The songs among lines 1..lastLine: each runs from a line with a double
// quote to the line whose note text holds the end mark.
std::vector<SongSheet> readSongs(const SongLines& line, std::uint16_t lastLine);
// The songs of the library compiled into the program.
std::vector<SongSheet> readLibrarySongs();

// The musical rules a library song keeps: it plays between 10 seconds and 4
// minutes, every note lies in octave rows 2..6, and no duration digit is above
// 5. One message per broken rule, naming the song and the line.
std::vector<std::string> playingTimeFaults(const SongSheet& song);
std::vector<std::string> rangeFaults(const SongSheet& song);
std::vector<std::string> durationDigitFaults(const SongSheet& song);

// Names as the note language spells them: "C#5", "H3", "_" for a rest.
std::string noteName(int midiNote);
// "1/4", "1/8." for a dotted eighth.
std::string lengthName(int exponent, bool dotted);
// The octave row of a sounded note (row 4 begins at middle C).
int octaveRow(int midiNote);
