// How the library splits its Swedish and Finnish words into syllables: before
// a single consonant (må-nen, ta-ken, Finnish ta-lo), as both languages do,
// except at the joint of a listed compound (hem-åt).
#pragma once

#include <string>
#include <vector>

#include "tools/song_grid.h"
#include "tools/song_sheet.h"

// One message for every word split after a single consonant, with the word
// as it should be split; nothing for a song in another language, or without
// a readable grid (the grid rule reports that).
std::vector<std::string> hyphenationFaults(const SongSheet& song, const SongGrid* grid);
