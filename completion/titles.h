// The library titles that title search can reach, for completing arguments.
#pragma once

#include <string>
#include <vector>

// In library order, in UTF-8, each once. A title is left out when title
// search could never find it: when it is shorter than the five characters
// compared, or when an earlier title begins with the same five characters
// (upper-cased as the search does).
std::vector<std::string> reachableTitles();
