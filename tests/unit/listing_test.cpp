// The library listing: two titles to a row of an 80-column window, narrower
// windows, page pauses that wait for Enter, and no pause without a terminal.
#include "library/listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/identity.h"
#include "library/resolve.h"
#include "world.h"

namespace {

class TitleListing : public FreshProcess {
 protected:
  void window(int columns, int rows) {
    playerState.screenCols = static_cast<std::uint16_t>(columns - 1);
    playerState.screenRows = static_cast<std::uint16_t>(rows - 1);
  }
  void list(const std::vector<std::string>& titles) {
    ::Listing listing;
    for (const std::string& title : titles) listTitle(listing, title);
    endListing(listing);
  }
  static std::string padded(const std::string& title, std::size_t width) {
    return title + std::string(width > title.size() ? width - title.size() : 0, ' ');
  }
};

std::string letters(std::size_t count, char first = 'a') {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char>(first + i % 26);
  return text;
}

// The rows, each with its line end.
std::string rows(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& text : texts) out += text + "\n";
  return out;
}


const std::string prompt = "tryck <cr> ";

TEST_F(TitleListing, TwoPaddedTitlesToARowAt80Columns) {
  window(80, 200);
  list({"Alpha title", "Beta", "Gamma"});
  EXPECT_EQ(fake::output(), rows({padded("Alpha title", 38) + padded("Beta", 38),  //
                                  padded("Gamma", 38)}) +
                                prompt + "\r");
}

TEST_F(TitleListing, LongTitlesAndTitlesThatGetNoBlanksAt80Columns) {
  window(80, 200);
  const std::string exactly38 = letters(38, 'A');
  const std::string exactly39 = letters(39, 'A');
  list({letters(45), exactly38, "next", exactly39, "then", letters(40), "x"});
  EXPECT_EQ(fake::output(), rows({letters(45),                     // alone on its row
                                  exactly38 + padded("next", 38),  // no blank between
                                  exactly39 + padded("then", 38),  //
                                  letters(40),                     //
                                  padded("x", 38)}) +
                                prompt + "\r");
}

TEST_F(TitleListing, At40ColumnsAHalfIs19) {
  window(40, 200);
  list({letters(20), letters(18, 'A'), "ab", letters(19, 'A'), "cd", "ef", "gh"});
  EXPECT_EQ(fake::output(), rows({letters(20),                          //
                                  letters(18, 'A') + padded("ab", 18),  //
                                  letters(19, 'A') + padded("cd", 18),  //
                                  padded("ef", 18) + padded("gh", 18)}) +
                                prompt + "\r");
}

// The banner's three lines count on the first page: with 24 rows the first
// pause comes after 21 rows of titles, every later one after 24.
TEST_F(TitleListing, PausesAtEveryFullPageUntilEnter) {
  window(80, 25);
  // Other keys are dropped; each pause takes one Enter, which comes only
  // after many reads for the later two.
  fake::script().keys = {
      {'x', true, 0}, {' ', true, 0}, {13, true, 0}, {13, true, 1000}, {13, true, 2000}};
  std::vector<std::string> titles;
  for (int i = 0; i < 2 * 50; ++i) titles.push_back("t" + std::to_string(i));
  ::Listing listing;
  writeListingBanner();
  for (const std::string& title : titles) listTitle(listing, title);
  endListing(listing);

  const std::string& out = fake::output();
  std::size_t rowsBeforePrompt = 0;
  std::vector<std::size_t> pages;
  for (std::size_t at = 0; at < out.size();) {
    if (out.compare(at, prompt.size() + 1, prompt + "\r") == 0) {
      pages.push_back(rowsBeforePrompt);
      rowsBeforePrompt = 0;
      at += prompt.size() + 1;
      continue;
    }
    const std::size_t end = out.find('\n', at);
    ASSERT_NE(end, std::string::npos) << out.substr(at);
    ++rowsBeforePrompt;
    at = end + 1;
  }
  // 3 banner lines + 21 rows, then 24 rows, then the last 5 and the final prompt.
  EXPECT_EQ(pages, (std::vector<std::size_t>{24, 24, 5}));
  EXPECT_EQ(rowsBeforePrompt, 0u);
  EXPECT_TRUE(fake::script().keys.empty());
  EXPECT_GE(fake::inputReads(), 2000);
}

// Keys pressed before the last prompt do not answer it.
TEST_F(TitleListing, TheLastPromptWaitsForAFreshEnter) {
  window(80, 25);
  fake::script().keys = {{13, true, 0}, {13, true, 5}};
  list({"only"});
  EXPECT_TRUE(fake::script().keys.empty());
  EXPECT_GE(fake::inputReads(), 5);
  EXPECT_EQ(fake::output(), padded("only", 38) + "\n" + prompt + "\r");
}

TEST_F(TitleListing, NoLastPromptRightAfterAPause) {
  window(80, 25);
  std::vector<std::string> titles(42, "t");  // 21 rows: a full first page
  list(titles);
  const std::string out = fake::output();
  EXPECT_TRUE(out.ends_with("\n" + prompt + "\r"));
  EXPECT_EQ(out.find(prompt), out.rfind(prompt));  // one prompt only
}

TEST_F(TitleListing, WithoutATerminalNothingPausesOrWaits) {
  fake::script().terminal = false;
  window(80, 25);
  std::vector<std::string> titles(100, "t");
  list(titles);
  EXPECT_EQ(fake::output().find(prompt), std::string::npos);
  EXPECT_EQ(fake::output().find('\r'), std::string::npos);
  EXPECT_EQ(fake::output(), rows(std::vector<std::string>(50, padded("t", 38) + padded("t", 38))));
}

TEST_F(TitleListing, BannerAndEveryTitleOfALibraryInLineOrder) {
  buildIdentityText();
  fake::script().terminal = false;
  window(80, 25);
  madeUp.assign(636, ShortText());
  madeUp[0] = R"("First song"Z10C!)";
  madeUp[4] = R"("Second song"Z10C<no "title" here>!)";  // the first two quotes
  madeUp[9] = "\"An unclosed line";
  madeUp[19] = R"(""Z10C!)";  // an empty title is listed too
  madeUp[634] = R"("Last song"Z10C!)";
  listLibrary(madeUpLine);
  const std::string banner = "LIRKEL " + BuildDate.str() + " " + IdentityText.str() + "\n" +
                             "# grenmyrsbolag # \nMusikBibliotek..:\n";
  EXPECT_EQ(fake::output(), banner + padded("First song", 38) + padded("Second song", 38) + "\n" +
                                std::string(38, ' ') + padded("Last song", 38) + "\n");
}

// The real library through the keyword: every title appears, in line order.
TEST_F(TitleListing, TheKeywordListsTheWholeLibrary) {
  fake::script().terminal = false;
  ShortText text = "L ";
  std::uint16_t found = 0, random = 0;
  resolveArgument(true, text, found, random);
  const std::string out = fake::output();
  std::size_t at = 0;
  int titles = 0;
  ShortText title;
  for (std::uint16_t n = 1; n <= libraryLineCount; ++n) {
    if (!lineTitle(libraryLine(n), title)) continue;
    ++titles;
    const std::size_t next = out.find(title.str(), at);
    ASSERT_NE(next, std::string::npos) << title.str();
    at = next + title.size();
  }
  EXPECT_GT(titles, 0);
  EXPECT_EQ(text, "L ");
}

}  // namespace
