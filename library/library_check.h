// The rules every library song keeps, on which the title listing, the title
// search, the random choice and the players rely. The check names the first
// line that breaks one of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/library_store.h"

struct LibraryFault {
  std::uint32_t line = 0;  // 0: no fault
  std::string rule;        // which rule the line breaks, in a few words

  bool found() const { return line != 0; }
};

// Checks lines 1 to libraryLineCount as the given source answers them.
LibraryFault checkLibraryLines(LineSource line);
// Checks the library compiled into the program.
LibraryFault checkLibrary();

// A song of a songbook file, as the check found it.
struct CheckedSong {
  std::uint32_t firstLine = 0;  // its title line, counted from 1
  std::uint32_t lastLine = 0;   // the line of its end mark, or the last it reached
  LibraryFault fault;           // the first rule it breaks, if any
};

struct CheckedSongbook {
  std::vector<CheckedSong> songs;
  // Faults that leave no song out: note text outside every song, a song
  // that follows another without an empty line between them.
  std::vector<LibraryFault> otherFaults;
};

// Checks the lines of a songbook (Windows-1252, of any length) by the
// library's rules: every song from its title line to its end mark, lines of
// at most 255 characters, titles that differ in their first five characters
// from every good song before them; and an empty line between songs.
CheckedSongbook checkSongbookLines(const std::vector<std::string>& lines);
