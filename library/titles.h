// The titles a title search can find: built-in ones first, then own songs.
#pragma once

#include <vector>

#include "text/short_text.h"

// In search order, each once. A title is left out when the search could
// never find it: when it is shorter than the five characters compared, or
// when an earlier title begins with the same five characters (upper-cased
// as the search does).
std::vector<ShortText> findableTitles(bool withOwnSongs);
