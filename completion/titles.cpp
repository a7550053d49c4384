#include "completion/titles.h"

#include "library/titles.h"
#include "text/codepage.h"

std::vector<std::string> reachableTitles() {
  std::vector<std::string> titles;
  for (const ShortText& title : findableTitles(false)) {
    titles.push_back(cp1252::cp1252ToUtf8(title.view()));
  }
  return titles;
}
