#include "library/titles.h"

#include <algorithm>
#include <string>

#include "library/library_store.h"
#include "library/listing.h"
#include "library/resolve.h"
#include "library/songbook.h"
#include "text/text_utils.h"

namespace {

void addTitle(const ShortText& title, std::vector<ShortText>& titles,
              std::vector<std::string>& keysTaken) {
  if (title.size() < titleKeyLength) return;
  const std::string key(upcaseText(ShortText(title.view().substr(0, titleKeyLength))).view());
  if (std::find(keysTaken.begin(), keysTaken.end(), key) != keysTaken.end()) return;
  keysTaken.push_back(key);
  titles.push_back(title);
}

}  // namespace

std::vector<ShortText> findableTitles(bool withOwnSongs) {
  std::vector<ShortText> titles;
  std::vector<std::string> keysTaken;
  for (std::int32_t number = 1; number <= libraryLineCount; ++number) {
    ShortText title;
    if (lineTitle(libraryLine(static_cast<std::uint16_t>(number)), title)) {
      addTitle(title, titles, keysTaken);
    }
  }
  if (withOwnSongs) {
    for (const OwnSong& song : ownSongs().songs) addTitle(song.title, titles, keysTaken);
  }
  return titles;
}
