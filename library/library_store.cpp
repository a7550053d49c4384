#include "library/library_store.h"

#include <array>
#include <string_view>

#include "text/cp1252_literal.h"

namespace {

// The songs are kept as readable UTF-8 text, one library line per text line.
constexpr std::string_view songText =
#include "library/songs.inc"
    ;

constexpr auto songBytes = cp1252::fromUtf8<songText.size()>(songText);
static_assert(songBytes.valid,
              "songs.inc must be UTF-8 with a Windows-1252 form for every character");

struct LineTable {
  std::array<std::uint32_t, libraryLineCount + 1> start{};  // line n is [start[n-1], start[n])
  std::size_t lineCount = 0;
  bool valid = true;  // exactly 636 lines, every one fits a ShortText
};

// Finds where every line ends, while the program is compiled.
constexpr LineTable buildLineTable() {
  LineTable table;
  const char* const bytes = songBytes.bytes.data();
  const char* const end = bytes + songBytes.size;
  // The text opens with a line break right after the literal's delimiter.
  const char* first = bytes != end && *bytes == '\n' ? bytes + 1 : bytes;
  table.start[0] = static_cast<std::uint32_t>(first - bytes);
  for (const char* at = first; at != end; ++at) {
    if (*at != '\n') continue;
    if (table.lineCount == libraryLineCount || at - first > 255) {
      table.valid = false;
      return table;
    }
    // The break is left out of both lines: this one ends before it, the
    // next one starts after it.
    table.start[++table.lineCount] = static_cast<std::uint32_t>(at - bytes);
    first = at + 1;
  }
  if (table.lineCount != libraryLineCount) table.valid = false;
  return table;
}

constexpr LineTable lineTable = buildLineTable();
static_assert(lineTable.valid,
              "songs.inc must hold exactly 636 lines of at most 255 Windows-1252 characters");

}  // namespace

ShortText libraryLine(std::uint16_t number) {
  if (number < 1 || number > libraryLineCount) return {};
  // Every line but the first begins after the break that ends the one before.
  const std::uint32_t first = lineTable.start[number - 1] + (number > 1 ? 1 : 0);
  const std::uint32_t end = lineTable.start[number];
  return ShortText(std::string_view(songBytes.bytes.data() + first, end - first));
}
