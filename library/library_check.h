// The rules every library song keeps, on which the title listing, the title
// search, the random choice and the players rely. The check names the first
// line that breaks one of them.
#pragma once

#include <cstdint>
#include <string>

#include "library/library_store.h"

struct LibraryFault {
  std::uint16_t line = 0;  // 0: no fault
  std::string rule;        // which rule the line breaks, in a few words

  bool found() const { return line != 0; }
};

// Checks lines 1 to libraryLineCount as the given source answers them.
LibraryFault checkLibraryLines(LineSource line);
// Checks the library compiled into the program.
LibraryFault checkLibrary();
