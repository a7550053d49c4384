// Own songs: songbook files in the library's own form (title line with its
// tempo, body lines, the end mark, an empty line between songs), found in
// the places the user names or the usual ones, and read only when a title
// search falls through the built-in library, a listing or a check needs
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/short_text.h"

struct OwnSong {
  std::string file;
  std::uint32_t firstLine = 0;  // in its file, counted from 1
  std::vector<ShortText> lines;  // its title line to its end mark
  ShortText title;
};

// A rule a song, a line or a whole file breaks.
struct SongbookProblem {
  std::string file;
  std::uint32_t line = 0;  // 0: the file as a whole
  std::string rule;
  bool leftOut = false;  // it keeps a song or the file out of the search
};

struct Songbooks {
  std::vector<OwnSong> songs;  // the good ones, in search order
  std::vector<SongbookProblem> problems;
  std::size_t leftOut = 0;           // broken songs and unreadable files
  std::vector<std::string> sources;  // the files that gave songs, in order
};

constexpr std::size_t largestSongbookBytes = 1'000'000;
// No song of a songbook is longer than the whole built-in library.
constexpr std::size_t longestOwnSongLines = 636;

// The songbook files of the usual places, in search order: the files and
// folders named in LIRKEL_SONGS, else the user's data folder's
// lirkel/songs/; then lirkel's installed songs/. A folder gives its .txt
// files in name order; a file named again, or found again in a folder
// named again, comes only where it came first.
std::vector<std::string> songbookFiles();
// The files and folders named, expanded as songbookFiles() does.
std::vector<std::string> expandSongbookPaths(const std::vector<std::string>& paths);
// Reads and checks the files, one after the other: a song whose title
// begins with the first five characters of a built-in title, or of a good
// song's before it, could never be found and is left out.
Songbooks readSongbooks(const std::vector<std::string>& files);
// Every songbook of the usual places, read once, on first use.
const Songbooks& ownSongs();
// Back to nothing read, for tests that change the places.
void forgetOwnSongs();

// The first good own song whose title begins with the text's first five
// characters, as the title search compares them; null when none does.
const OwnSong* findOwnSong(const ShortText& text);
// The lines of the own song that plays, counted from 1 (its title line);
// the empty text past its end.
void chooseOwnSong(const OwnSong& song);
ShortText ownSongLine(std::uint16_t number);
std::int32_t ownSongLineCount();
