// Turning the bytes a terminal sends for one key press into the program's key
// answer: the Windows-1252 character of the key, or 0 for a key without one.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform::posix {

struct DecodedKey {
  unsigned char answer = 0;
  std::size_t length = 0;  // bytes that belong to the key and are used up
  bool needMore = false;   // the bytes so far may be the start of a longer key
};

// Decodes the first key in the bytes. With `final` false, an unfinished
// sequence answers needMore; with `final` true (no more bytes came in a short
// while) it is decided with what is there: a lone Escape answers 27, a cut
// escape sequence or character answers 0 and is used up.
DecodedKey decodeKey(std::string_view bytes, bool final);

}  // namespace platform::posix
