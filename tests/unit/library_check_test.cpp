// The library store and the rules every song keeps. The check over the real
// library is the test that fails when a song edit breaks a rule.
#include "library/library_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/library_store.h"
#include "text/codepage.h"
#include "world.h"

namespace {

std::string describe(const LibraryFault& fault) {
  return "line " + std::to_string(fault.line) + ": " + fault.rule + "\n  " +
         cp1252::cp1252ToUtf8(libraryLine(fault.line).view());
}

TEST(LibraryStore, NumbersWithoutALineReadEmpty) {
  EXPECT_EQ(libraryLine(0), "");
  EXPECT_EQ(libraryLine(637), "");
  EXPECT_EQ(libraryLine(65535), "");
  EXPECT_EQ(libraryLine(636), "<.>");
  EXPECT_EQ(libraryLine(1), libraryLine(1));  // nothing is consumed
}

// Every line comes back whole and converted, exactly as the source file
// reads: line n of the library is line n + 6 of songs.inc.
TEST(LibraryStore, EveryLineMatchesTheSongFile) {
  const auto path = std::filesystem::path(LIRKEL_SOURCE_DIR) / "library/songs.inc";
  std::ifstream file(path);
  ASSERT_TRUE(file) << path;
  std::vector<std::string> fileLines;
  for (std::string text; std::getline(file, text);) fileLines.push_back(text);
  ASSERT_EQ(fileLines.size(), 6u + libraryLineCount + 1);
  std::size_t longest = 0;
  for (std::uint16_t n = 1; n <= libraryLineCount; ++n) {
    const std::string expected = cp1252::utf8ToCp1252(fileLines[n + 5]);
    ASSERT_EQ(libraryLine(n).view(), expected) << "line " << n;
    longest = std::max(longest, expected.size());
  }
  EXPECT_LE(longest, 255u);
}

TEST(LibraryStore, TheLibraryKeepsEveryRule) {
  const LibraryFault fault = checkLibrary();
  EXPECT_FALSE(fault.found()) << describe(fault);
}

// The made-up library: the given lines from line 1 on, empty lines after
// them and "<.>" last.
LibraryFault checkMadeUp(const std::vector<std::string>& lines) {
  madeUp.assign(libraryLineCount, ShortText());
  for (std::size_t i = 0; i < lines.size(); ++i) madeUp[i] = cp1252::utf8ToCp1252(lines[i]);
  madeUp.back() = "<.>";
  return checkLibraryLines(madeUpLine);
}

TEST(LibraryCheck, SongsInEveryAllowedShapePass) {
  const LibraryFault fault = checkMadeUp({
      R"("Lantern Steps"Z20XH<Up the stone stair,>C2DE3E<one lamp lit.>F2GA1)",
      R"(<Down by the mill-pond!>G3FE2D<wa-ter still.>E2C1_2)",
      "",
      R"(Z12XIC2XHA<Home a-gain.>G1C0!)",
      "",
      R"("Shortest"Z10!)",
      R"("Å är en å"I016Z08xHc2d<an ! in a lyric is text!>e!)",
  });
  EXPECT_FALSE(fault.found()) << fault.line << ": " << fault.rule;
}

TEST(LibraryCheck, NamesTheFirstLineThatBreaksARule) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::uint16_t line;
    const char* ruleWord;
  };
  const std::vector<Case> cases = {
      {"quote in a body line", {R"("Title one"Z10C)", R"(D"E!)"}, 2, "double quote"},
      {"third quote", {R"("Title one"Z10C"!)"}, 1, "double quote"},
      {"title not first", {R"(Z10"Title one"C!)"}, 1, "double quote"},
      {"no tempo", {R"("Title one"XH<la>)", "D!"}, 1, "exactly one tempo"},
      {"two tempos", {R"("Title one"Z10Z20C!)"}, 1, "exactly one tempo"},
      {"note before tempo", {R"("Title one"CZ10D!)"}, 1, "before the song's first note"},
      {"tempo with one digit", {R"("Title one"Z10C)", "Z5C!"}, 2, "Z and two digits"},
      {"end mark not last", {R"("Title one"Z10C!D)"}, 1, "nothing follows"},
      {"end mark then blank", {R"("Title one"Z10C! )"}, 1, "nothing follows"},
      {"no end mark before next title",
       {R"("Title one"Z10C)", "D", R"("Title two"Z10C!)"},
       1,
       "no end mark"},
      {"last song without end mark", {"", R"("Title one"Z10C)", "D"}, 2, "no end mark"},
      {"lyric across the line end", {R"("Title one"Z10C<la la)", "la>D!"}, 1, "lyric span"},
      {"octave letter in lower case", {R"("Title one"Z10XhC!)"}, 1, "after X"},
      {"octave letter outside DEFGHIJK", {R"("Title one"Z10XLC!)"}, 1, "after X"},
      {"X last on its line", {R"("Title one"Z10CX)", "D!"}, 1, "after X"},
      {"short title", {R"("Abcd"Z10C!)"}, 1, "five characters"},
      {"same first five", {R"("Hello world"Z10C!)", "", R"("HELLO there"Z10C!)"}, 3, "first five"},
      {"same first five once folded",
       {R"("Äpple one"Z10C!)", R"("äpple two"Z10C!)"},
       2,
       "first five"},
      {"notes outside a song", {R"("Title one"Z10C!)", "", "CDE"}, 3, "inside a song"},
  };
  for (const Case& c : cases) {
    const LibraryFault fault = checkMadeUp(c.lines);
    EXPECT_EQ(fault.line, c.line) << c.what << ": " << fault.rule;
    EXPECT_NE(fault.rule.find(c.ruleWord), std::string::npos) << c.what << ": " << fault.rule;
  }
}

TEST(LibraryCheck, LastLineHoldsTheClosingLyricAlone) {
  madeUp.assign(libraryLineCount, ShortText());
  madeUp.back() = "<.> ";
  EXPECT_EQ(checkLibraryLines(madeUpLine).line, libraryLineCount);
  madeUp.back() = "";
  EXPECT_EQ(checkLibraryLines(madeUpLine).line, libraryLineCount);
}

}  // namespace
