// Turning the argument into the first line to play: keywords, the title
// search, the random choice and the current line; and titleMatches.
#include "library/resolve.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "text/text_utils.h"
#include "library/library_store.h"
#include "text/codepage.h"
#include "player/interpreter.h"
#include "world.h"

namespace {

struct Resolved {
  ShortText text;
  std::uint16_t foundLine = 99;
  std::uint16_t randomLine = 99;
};

Resolved resolve(std::string_view argument) {
  Resolved r;
  r.text = argument;
  resolveArgument(true, r.text, r.foundLine, r.randomLine);
  return r;
}

// The title of a line, found the plain way: between its first two quotes.
std::string titleIn(const ShortText& line) {
  const std::string text = line.str();
  const auto open = text.find('"');
  const auto close = open == std::string::npos ? open : text.find('"', open + 1);
  return close == std::string::npos ? std::string() : text.substr(open + 1, close - open - 1);
}

// The first library line whose title begins with this text (Windows-1252).
std::uint16_t firstTitleBeginning(const std::string& start) {
  for (std::uint16_t n = 1; n <= libraryLineCount; ++n) {
    const ShortText line = libraryLine(n);
    if (line.view().find('"') != std::string_view::npos && titleIn(line).starts_with(start)) {
      return n;
    }
  }
  return 0;
}

// A made-up library with these lines at these numbers, the rest empty.
void makeLibrary(const std::vector<std::pair<std::uint16_t, std::string>>& lines) {
  madeUp.assign(libraryLineCount, ShortText());
  for (const auto& [number, text] : lines) madeUp[number - 1] = cp1252::utf8ToCp1252(text);
}

class Resolve : public FreshProcess {};

TEST_F(Resolve, WindowEdgesBecomeTheScreenSize) {
  fake::script().screenInfo.windowRight = 131;
  fake::script().screenInfo.windowBottom = 42;
  resolve("CDE ");
  EXPECT_EQ(playerState.screenCols, 131);
  EXPECT_EQ(playerState.screenRows, 42);
}

TEST_F(Resolve, NoteTextIsHandedBackUnchanged) {
  const Resolved r = resolve("G3EGEGE ");
  EXPECT_EQ(r.text, "G3EGEGE ");
  EXPECT_EQ(r.foundLine, 0);
  EXPECT_EQ(r.randomLine, 0);
  EXPECT_EQ(fake::output(), "");
  EXPECT_EQ(playerState.currentLine, 1);
}

TEST_F(Resolve, OnlyLOrLAloneLists) {
  fake::script().terminal = false;
  EXPECT_EQ(resolve("L ").text, "L ");
  EXPECT_TRUE(fake::output().starts_with("LIRKEL "));
  fake::output().clear();
  EXPECT_EQ(resolve("l ").text, "l ");
  EXPECT_TRUE(fake::output().starts_with("LIRKEL "));
  fake::output().clear();
  const Resolved list = resolve("LIST ");
  EXPECT_EQ(list.text, "LIST ");
  EXPECT_EQ(list.foundLine, 0);
  EXPECT_EQ(fake::output(), "");
  EXPECT_EQ(resolve("L").text, "L");  // without the joining blank: note text
  EXPECT_EQ(fake::output(), "");
}

TEST_F(Resolve, TitleSearchFindsYesterdayInAnyCase) {
  const std::uint16_t yesterday = firstTitleBeginning("Yesterday");
  ASSERT_NE(yesterday, 0) << "the help text's example needs a song called Yesterday...";
  for (const char* argument : {"yesterday ", "YESTE", "yEsTeRdAy's lantern ", "Yesterdays"}) {
    const Resolved r = resolve(argument);
    EXPECT_EQ(r.foundLine, yesterday) << argument;
    EXPECT_EQ(r.text, libraryLine(yesterday)) << argument;
    EXPECT_EQ(r.randomLine, 0);
    EXPECT_EQ(playerState.currentLine, yesterday);
  }
}

TEST_F(Resolve, TheJoiningBlankIsOneOfTheFiveCharacters) {
  ASSERT_EQ(firstTitleBeginning("Yes "), 0);
  ASSERT_EQ(firstTitleBeginning("YES "), 0);
  const Resolved r = resolve("Yes ");
  EXPECT_EQ(r.foundLine, 0);
  EXPECT_EQ(r.text, "Yes ");
  EXPECT_EQ(playerState.currentLine, 1);
}

// Note text whose first five characters begin a title plays that song.
TEST_F(Resolve, NoteTextThatBeginsATitlePlaysTheSong) {
  const std::uint16_t yesterday = firstTitleBeginning("Yesterday");
  ASSERT_NE(yesterday, 0);
  playNotationSpeaker(true, ShortText("yestEGEGE "));
  const std::string title = "\"" + titleIn(libraryLine(yesterday)) + "\"";
  EXPECT_TRUE(fake::output().starts_with("\n" + title + "\n")) << fake::output();
}

TEST_F(Resolve, SearchRulesOverAMadeUpLibrary) {
  makeLibrary({{3, R"("Abcd"Z10C!)"},
               {5, R"("Änglamark"Z10C!)"},
               {7, R"("Hello world"Z10C!)"},
               {9, R"("HELLO there"Z10C!)"},
               {11, R"("Yes we can"Z10C!)"},
               {13, "\"Unclosed title Z10C!"}});
  EXPECT_EQ(findTitle("Abcd ", madeUpLine), 0);  // shorter than five: never found
  EXPECT_EQ(findTitle("abcde ", madeUpLine), 0);
  EXPECT_EQ(findTitle(cp1252::utf8ToCp1252("änglamark "), madeUpLine), 5);
  EXPECT_EQ(findTitle(cp1252::utf8ToCp1252("ÄNGL"), madeUpLine), 5);
  EXPECT_EQ(findTitle("hell ", madeUpLine), 0);        // "HELL " begins neither
  EXPECT_EQ(findTitle("HELLOthere ", madeUpLine), 7);  // first in line order
  EXPECT_EQ(findTitle("yes ", madeUpLine), 11);        // a blank after the first three
  EXPECT_EQ(findTitle("Uncl", madeUpLine), 0);         // no closing quote: no title
}

TEST_F(Resolve, NothingOrAQuestionMarkAloneGivesHelp) {
  const Resolved none = resolve("");
  EXPECT_EQ(none.text, "? ");
  EXPECT_EQ(none.foundLine, 0);
  EXPECT_TRUE(fake::output().starts_with("# grenmyrsbolag # ")) << fake::output();
  const std::string help = fake::output();
  fake::output().clear();
  EXPECT_EQ(resolve("? ").text, "? ");
  EXPECT_EQ(fake::output(), help);
  fake::output().clear();
  const Resolved more = resolve("? x ");
  EXPECT_EQ(more.text, "? x ");
  EXPECT_EQ(fake::output(), "");
}

TEST_F(Resolve, PlusTakesTheCurrentLine) {
  Resolved r = resolve("+ ");
  EXPECT_EQ(r.text, libraryLine(1));  // a fresh start is at line 1
  EXPECT_EQ(r.foundLine, 0);
  EXPECT_EQ(r.randomLine, 0);
  EXPECT_EQ(playerState.currentLine, 1);

  playerState.currentLine = 40;
  EXPECT_EQ(resolve("+ ").text, libraryLine(40));
  EXPECT_EQ(playerState.currentLine, 40);

  for (std::int32_t outside : {637, 70000, 0, -3}) {
    playerState.currentLine = outside;
    EXPECT_EQ(resolve("+ ").text, libraryLine(1)) << outside;
    EXPECT_EQ(playerState.currentLine, 1) << outside;
  }
}

TEST_F(Resolve, MinusHandsBackATitleLineWithNothingToContinue) {
  std::set<std::uint16_t> chosen;
  for (std::uint64_t seed = 1; seed <= 400; ++seed) {
    freshProcess();
    fake::script().seed = seed;
    const Resolved r = resolve("- ");
    EXPECT_NE(r.text.view().find('"'), std::string_view::npos) << r.text.str();
    EXPECT_EQ(r.text, libraryLine(static_cast<std::uint16_t>(playerState.currentLine)));
    EXPECT_EQ(r.foundLine, 0);
    EXPECT_EQ(r.randomLine, 0);
    chosen.insert(static_cast<std::uint16_t>(playerState.currentLine));
  }
  EXPECT_GT(chosen.size(), 1u);  // the seed does choose
}

// Every line is equally likely and walks back to the song it belongs to; a
// line before the first title walks back to line 1 and no further.
TEST_F(Resolve, RandomChoiceIsProportionalToTheLinesOfASong) {
  makeLibrary({{301, R"("Second half"Z10C)"}, {636, "<.>"}});
  int atTitle = 0;
  const int draws = 4000;
  for (int seed = 0; seed < draws; ++seed) {
    const std::uint16_t line = randomSongLine(static_cast<std::uint64_t>(seed), madeUpLine);
    ASSERT_TRUE(line == 1 || line == 301) << line;
    atTitle += line == 301 ? 1 : 0;
  }
  // Lines 301 to 636 are 336 of 636: expect 2113, standard deviation about 32.
  EXPECT_NEAR(atTitle, draws * 336 / 636, 160);
}

TEST_F(Resolve, RandomChoiceReachesBothEndsOfTheLibrary) {
  makeLibrary({{1, R"("First"Z10C!)"}, {636, R"("Last line"Z10C!)"}});
  int atEnd = 0;
  for (std::uint64_t seed = 0; seed < 4000; ++seed) {
    const std::uint16_t line = randomSongLine(seed, madeUpLine);
    ASSERT_TRUE(line == 1 || line == 636) << line;
    atEnd += line == 636 ? 1 : 0;
  }
  EXPECT_GT(atEnd, 0);  // expected about 6
  EXPECT_LT(atEnd, 20);
}

TEST_F(Resolve, TitleMatchesWholeWordsOfTheTitle) {
  struct Case {
    const char* title;
    const char* text;
    bool matches;
  };
  const Case cases[] = {
      {"FERNANDO", "fernando ", true},
      {"GET BACK", "back ", true},
      {"GET BACK", "get ", true},
      {"GET BACK", "Get back ", true},
      {"GET BACK", "ge ", false},  // ends inside a word
      {"GET BACK", "back", true},  // the blank after the title is supplied
      {"TAXMAN", "tax ", false},
      {"TAXMAN", "\"Taxman Blues\"Z12C!", true},  // a title line holding the title
      {"TAXMAN", "\"Tax man\"Z12C!", false},
  };
  for (const Case& c : cases) {
    fake::output().clear();
    EXPECT_EQ(titleMatches(c.title, c.text), c.matches) << c.title << " / " << c.text;
    EXPECT_EQ(fake::output(), c.matches ? "\n" + std::string(c.title) + "\n" : "") << c.text;
  }
}

}  // namespace
