#include "completion/titles.h"

#include <algorithm>

#include "text/text_utils.h"
#include "library/library_store.h"
#include "library/listing.h"
#include "library/resolve.h"
#include "text/codepage.h"

std::vector<std::string> reachableTitles() {
  std::vector<std::string> titles;
  std::vector<std::string> keysTaken;
  for (std::int32_t number = 1; number <= libraryLineCount; ++number) {
    ShortText title;
    if (!lineTitle(libraryLine(static_cast<std::uint16_t>(number)), title)) continue;
    if (title.size() < titleKeyLength) continue;
    const std::string key(upcaseText(ShortText(title.view().substr(0, titleKeyLength))).view());
    if (std::find(keysTaken.begin(), keysTaken.end(), key) != keysTaken.end()) continue;
    keysTaken.push_back(key);
    titles.push_back(cp1252::cp1252ToUtf8(title.view()));
  }
  return titles;
}
