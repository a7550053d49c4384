#include "tools/word_stress.h"

#include <algorithm>
#include <span>

namespace {

// Words whose stress is not on the first syllable, or compounds that carry a
// second stress: "'" marks the main stress, "," a second one. A word not
// listed is stressed on its first syllable.
constexpr std::string_view englishStresses[] = {
    "a-'bout",
    "a-'bove",
    "a-'cross",
    "a-'danc-ing",
    "a-'gain",
    "a-'go",
    "a-'long",
    "a-'mong",
    "a-'round",
    "a-'stray",
    "a-'way",
    "a-'while",
    ",af-ter-'noon",
    "be-'fore",
    "be-'gin",
    "be-'neath",
    "be-'side",
    "'dee-dle-,dee",
    "'dum-di-,dum-di-,dee",
    "'fer-ry-,man",
    "good-'bye",
    "good-'night",
    "in-'side",
    "o'-'clock",
    "'rat-a-,tat",
    "re-'mem-ber",
    ",ro-sa-'lin-da",
    "'rum-pa-,pum-pa-,pum",
    "to-'mor-row",
    "'too-dle-,oo",
    "'tweet-a-,tweet-a-,tweet",
    ",un-der-'neath",
    "un-'furl",
    "un-'locks",
    "un-'til",
    "up-'on",
    "when-'ev-er",
    "with-'in",
};

constexpr std::string_view swedishStresses[] = {
    "fi-'o-len",
    "för-'blek-nar",
    "i-'ge-nom",
    "i-'gen",
    "'jul-,mor-gon",
    "'kaf-fe-,pan-nan",
    "'mor-gon-,so-lens",
    "'pep-par-,ka-kor",
    "pre-'cis",
    "'som-mar-,äng",
    "sy-'re-nen",
    "till-'ba-ka",
    "'trip-pa-,trapp-,trapp",
};

constexpr std::string_view englishWeak[] = {
    "a",     "an",    "the",    "and",  "or",    "but",  "nor",   "of",   "to",    "in",  "on",
    "at",    "by",    "for",    "from", "with",  "as",   "than",  "that", "is",    "are", "was",
    "were",  "be",    "am",     "it",   "its",   "his",  "her",   "my",   "your",  "our", "their",
    "we",    "you",   "i",      "he",   "she",   "they", "them",  "him",  "me",    "us",  "if",
    "do",    "does",  "has",    "have", "had",   "will", "shall", "can",  "we'll", "i'd", "it's",
    "would", "could", "should", "may",  "might", "must", "till",  "when", "then",
};

constexpr std::string_view swedishWeak[] = {
    "en",  "ett", "och",  "i",    "på",   "till", "av",  "om",   "med", "för", "så",  "att",
    "som", "den", "det",  "de",   "är",   "var",  "har", "jag",  "du",  "han", "hon", "vi",
    "ni",  "sin", "sitt", "sina", "min",  "mitt", "din", "ditt", "vår", "hur", "när", "där",
    "men", "ur",  "vid",  "mot",  "från", "åt",   "hos", "nu",   "oss", "mig", "dig", "sig",
};

constexpr std::string_view finnishWeak[] = {"ja", "on", "ei", "se", "kun"};

constexpr std::string_view englishParticles[] = {"in", "on",   "up",      "down",  "out",   "off",
                                                 "by", "over", "through", "round", "along", "away"};
constexpr std::string_view swedishParticles[] = {"in", "ut",   "upp",  "ner",  "ned", "på", "av",
                                                 "om", "till", "fram", "bort", "hem", "åt"};

// Compounds whose parts meet at a vowel, split at the joint ("=").
constexpr std::string_view swedishCompounds[] = {"hem=åt", "för=ut", "bak=om", "som-mar=äng"};

template <std::size_t n>
bool listed(const std::string_view (&list)[n], std::string_view word) {
  return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

std::vector<std::string_view> pieces(std::string_view word) {
  std::vector<std::string_view> result;
  std::size_t from = 0;
  for (;;) {
    const std::size_t hyphen = word.find('-', from);
    result.push_back(word.substr(from, hyphen - from));
    if (hyphen == std::string_view::npos) return result;
    from = hyphen + 1;
  }
}

// The marks of a table entry read as stresses, when the entry spells `word`.
bool markedStresses(std::string_view entry, std::string_view word, std::vector<Stress>& out) {
  std::string plain;
  std::vector<Stress> marks;
  for (std::string_view piece : pieces(entry)) {
    Stress stress = Stress::none;
    if (!piece.empty() && (piece.front() == '\'' || piece.front() == ',')) {
      stress = piece.front() == '\'' ? Stress::primary : Stress::secondary;
      piece.remove_prefix(1);
    }
    if (!plain.empty()) plain += '-';
    plain += piece;
    marks.push_back(stress);
  }
  if (plain != word) return false;
  if (std::none_of(marks.begin(), marks.end(), [](Stress s) { return s == Stress::primary; }))
    marks.front() = Stress::primary;
  out = marks;
  return true;
}

}  // namespace

std::vector<Stress> syllableStresses(Language language, std::string_view word) {
  const std::size_t count = pieces(word).size();
  std::vector<Stress> stresses(count, Stress::none);
  if (count == 0) return stresses;
  if (language == Language::english || language == Language::swedish) {
    const std::span<const std::string_view> table =
        language == Language::english ? std::span<const std::string_view>(englishStresses)
                                      : std::span<const std::string_view>(swedishStresses);
    for (std::string_view entry : table) {
      if (markedStresses(entry, word, stresses)) return stresses;
    }
  }
  stresses[0] = Stress::primary;
  if (language == Language::finnish) {
    for (std::size_t i = 2; i + 1 < count; i += 2) stresses[i] = Stress::secondary;
  }
  return stresses;
}

bool isWeakWord(Language language, std::string_view word) {
  switch (language) {
    case Language::english:
      return listed(englishWeak, word);
    case Language::swedish:
      return listed(swedishWeak, word);
    case Language::finnish:
      return listed(finnishWeak, word);
    case Language::none:
      break;
  }
  return false;
}

bool canBeParticle(Language language, std::string_view word) {
  if (language == Language::english) return listed(englishParticles, word);
  if (language == Language::swedish) return listed(swedishParticles, word);
  return false;
}

bool isCompoundJoint(Language language, std::string_view word, int hyphen) {
  if (language != Language::swedish) return false;
  for (std::string_view entry : swedishCompounds) {
    std::string plain(entry);
    std::replace(plain.begin(), plain.end(), '=', '-');
    if (plain != word) continue;
    const std::size_t joint = entry.find('=');
    return std::count(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(joint), '-') ==
           hyphen;
  }
  return false;
}

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (std::size_t i = 0; i < lower.size(); ++i) {
    const auto byte = static_cast<unsigned char>(lower[i]);
    if (byte >= 'A' && byte <= 'Z') {
      lower[i] = static_cast<char>(byte + 32);
    } else if (byte == 0xC3 && i + 1 < lower.size()) {
      const auto next = static_cast<unsigned char>(lower[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) lower[i + 1] = static_cast<char>(next + 32);
      ++i;
    }
  }
  return lower;
}
