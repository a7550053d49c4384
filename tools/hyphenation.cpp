#include "tools/hyphenation.h"

#include <algorithm>
#include <string_view>

#include "tools/lyric_stress.h"
#include "tools/word_stress.h"

namespace {

std::string label(const SongSheet& song, std::uint16_t line) {
  return "\"" + song.title + "\" (lines " + std::to_string(song.firstLine) + "-" +
         std::to_string(song.lastLine) + "), line " + std::to_string(line) + ": ";
}

bool isVowel(std::string_view letter) {
  static constexpr std::string_view vowels[] = {"a", "e", "i", "o", "u", "y",
                                                "å", "ä", "ö", "é", "ü"};
  return std::find(std::begin(vowels), std::end(vowels), letter) != std::end(vowels);
}

// The UTF-8 letters of a piece.
std::vector<std::string_view> letters(std::string_view piece) {
  std::vector<std::string_view> result;
  for (std::size_t i = 0; i < piece.size();) {
    std::size_t length = 1;
    while (i + length < piece.size() &&
           (static_cast<unsigned char>(piece[i + length]) & 0xC0) == 0x80) {
      ++length;
    }
    result.push_back(piece.substr(i, length));
    i += length;
  }
  return result;
}

std::vector<std::string_view> split(std::string_view word) {
  std::vector<std::string_view> parts;
  for (std::size_t hyphen = word.find('-'); hyphen != std::string_view::npos;
       hyphen = word.find('-')) {
    parts.push_back(word.substr(0, hyphen));
    word.remove_prefix(hyphen + 1);
  }
  parts.push_back(word);
  return parts;
}

}  // namespace

std::vector<std::string> hyphenationFaults(const SongSheet& song, const SongGrid* grid) {
  if (grid == nullptr || !metreOf(*grid).valid()) return {};
  const Language language = grid->language;
  if (language != Language::swedish && language != Language::finnish) return {};
  const SungLyrics sung = singLyrics(song, *grid);
  std::vector<std::string> found;
  for (const SungWord& word : sung.words) {
    const std::vector<std::string_view> parts = split(word.text);
    for (std::size_t k = 0; k + 1 < parts.size(); ++k) {
      const std::vector<std::string_view> before = letters(parts[k]);
      const std::vector<std::string_view> after = letters(parts[k + 1]);
      if (before.size() < 2 || after.empty()) continue;
      const bool singleConsonant = !isVowel(before.back()) && isVowel(before[before.size() - 2]);
      if (!singleConsonant || !isVowel(after.front())) continue;
      if (isCompoundJoint(language, word.text, static_cast<int>(k))) continue;
      std::string mended;
      for (std::size_t m = 0; m < parts.size(); ++m) {
        std::string_view part = parts[m];
        if (m == k) part.remove_suffix(before.back().size());
        if (m > 0) mended += '-';
        if (m == k + 1) mended += before.back();
        mended += part;
      }
      found.push_back(label(song, word.line) + "\"" + word.text +
                      "\" splits after a single consonant, not before it: \"" + mended + "\"");
    }
  }
  return found;
}
