// The word list of the shell completion against the title search itself:
// every title offered is one the search finds, and every title left out is
// one it cannot find.
#include "completion/titles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "library/library_store.h"
#include "library/resolve.h"
#include "text/codepage.h"
#include "world.h"

namespace {

// The line title search plays for this argument; 0 when it finds none.
std::uint16_t lineFoundFor(const std::string& argumentCp1252) {
  freshProcess();
  ShortText text(argumentCp1252 + " ");
  std::uint16_t foundLine = 0;
  std::uint16_t randomLine = 0;
  resolveArgument(false, text, foundLine, randomLine);
  return foundLine;
}

bool lineHasTitle(std::uint16_t number, const std::string& titleCp1252) {
  return libraryLine(number).view().find('"' + titleCp1252 + '"') != std::string_view::npos;
}

// Every title of the library, in Windows-1252, in line order.
std::vector<std::string> allTitles() {
  std::vector<std::string> titles;
  for (std::int32_t number = 1; number <= libraryLineCount; ++number) {
    const std::string line(libraryLine(static_cast<std::uint16_t>(number)).view());
    const std::size_t open = line.find('"');
    const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close != std::string::npos) titles.push_back(line.substr(open + 1, close - open - 1));
  }
  return titles;
}

}  // namespace

TEST(CompletionTitles, EveryTitleOfferedIsFoundByTitleSearch) {
  const std::vector<std::string> offered = reachableTitles();
  ASSERT_FALSE(offered.empty());
  for (const std::string& title : offered) {
    const std::string typed = cp1252::utf8ToCp1252(title);
    const std::uint16_t found = lineFoundFor(typed);
    ASSERT_NE(found, 0) << title;
    EXPECT_TRUE(lineHasTitle(found, typed)) << title << " plays line " << found;
  }
}

TEST(CompletionTitles, EveryTitleLeftOutIsOneTitleSearchCannotFind) {
  const std::vector<std::string> offered = reachableTitles();
  for (const std::string& title : allTitles()) {
    const std::string utf8 = cp1252::cp1252ToUtf8(title);
    if (std::find(offered.begin(), offered.end(), utf8) != offered.end()) continue;
    const std::uint16_t found = lineFoundFor(title);
    EXPECT_TRUE(found == 0 || !lineHasTitle(found, title)) << utf8 << " is found but not offered";
  }
}
