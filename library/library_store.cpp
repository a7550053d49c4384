#include "library/library_store.h"

#include <array>
#include <string_view>

namespace {

// The songs are kept as readable UTF-8 text, one library line per text line.
constexpr std::string_view songText =
#include "library/songs.inc"
    ;

constexpr char32_t highControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Windows-1252 for a code point; 0 when it has none.
constexpr unsigned char toCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (unsigned i = 0; i < 32; ++i) {
    if (highControls[i] == cp && cp != 0) return static_cast<unsigned char>(0x80 + i);
  }
  return 0;
}

struct Library {
  std::array<char, songText.size()> bytes{};
  std::array<std::uint32_t, libraryLineCount + 1> start{};  // line n is [start[n-1], start[n])
  std::size_t lineCount = 0;
  bool valid = true;  // every character has a Windows-1252 form, every line fits
};

// Splits the text into lines and converts it to Windows-1252, all while the
// program is compiled.
constexpr Library buildLibrary() {
  Library library;
  std::size_t out = 0;
  std::size_t lineLength = 0;
  // The text opens with a line break right after the literal's delimiter.
  std::size_t i = songText.size() > 0 && songText[0] == '\n' ? 1 : 0;
  while (i < songText.size()) {
    const auto lead = static_cast<unsigned char>(songText[i]);
    if (lead == '\n') {
      if (lineLength > 255 || library.lineCount == libraryLineCount) library.valid = false;
      if (library.lineCount < libraryLineCount) {
        library.start[++library.lineCount] = static_cast<std::uint32_t>(out);
      }
      lineLength = 0;
      ++i;
      continue;
    }
    char32_t cp = lead;
    std::size_t length = 1;
    if (lead >= 0xF0) {
      length = 4;
      cp = lead & 0x07;
    } else if (lead >= 0xE0) {
      length = 3;
      cp = lead & 0x0F;
    } else if (lead >= 0xC0) {
      length = 2;
      cp = lead & 0x1F;
    } else if (lead >= 0x80) {
      library.valid = false;
    }
    for (std::size_t k = 1; k < length && i + k < songText.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(songText[i + k]) & 0x3F);
    }
    const unsigned char c = toCp1252(cp);
    if (c == 0) library.valid = false;
    library.bytes[out++] = static_cast<char>(c);
    ++lineLength;
    i += length;
  }
  if (library.lineCount != libraryLineCount) library.valid = false;
  return library;
}

constexpr Library library = buildLibrary();
static_assert(library.valid,
              "songs.inc must hold exactly 636 lines of at most 255 Windows-1252 characters");

}  // namespace

ShortText libraryLine(std::uint16_t number) {
  if (number < 1 || number > libraryLineCount) return {};
  const std::uint32_t first = library.start[number - 1];
  const std::uint32_t end = library.start[number];
  return ShortText(std::string_view(library.bytes.data() + first, end - first));
}
