// How the library's words are stressed, in English, Swedish and Finnish, as
// far as the stress rules need it. Words are lower-case UTF-8, their
// syllables joined by hyphens as the lyrics write them ("a-gain").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/song_grid.h"

enum class Stress { none, secondary, primary };

// The stress of each syllable. Finnish words are stressed on the first
// syllable, with a lighter stress on every odd one after it but the last;
// English and Swedish words on the first, unless the table of words
// stressed later (a-gain, i-gen) or of compounds says otherwise.
std::vector<Stress> syllableStresses(Language language, std::string_view word);

// Articles, conjunctions, prepositions, pronouns and auxiliaries: words of
// one syllable that a singer leaves unstressed.
bool isWeakWord(Language language, std::string_view word);

// Whether the word may be a verb's particle, which takes the stress after its
// verb ("comes in", "gick ut") though it is weak as a preposition.
bool canBeParticle(Language language, std::string_view word);

// Whether the word is a compound whose hyphen at `hyphen` (counted from 0)
// stands at the joint of its parts, where the split follows the parts and
// not the consonants (hem-åt).
bool isCompoundJoint(Language language, std::string_view word, int hyphen);

// Lower-case for ASCII and the Latin letters of UTF-8's first two-byte row
// (Å Ä Ö É ...); anything else is kept.
std::string lowerCase(std::string_view text);
