#include "sound/soundfont_search.h"

#include <algorithm>
#include <utility>

#include "platform/platform.h"
#include "sound/failure.h"

namespace sound {
namespace {

std::string below(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == platform::pathSeparator()) return folder + name;
  return folder + platform::pathSeparator() + name;
}

bool endsWith(const std::string& name, const char* ending) {
  const std::string end = ending;
  if (name.size() <= end.size()) return false;
  for (std::size_t i = 0; i < end.size(); ++i) {
    char c = name[name.size() - end.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != end[i]) return false;
  }
  return true;
}

// The first font of the folder by name, of the first ending that has one
// (sf2 before sf3: sf3 fonts are compressed and take seconds to load).
std::string firstFontIn(const std::string& folder, std::initializer_list<const char*> endings) {
  std::vector<std::string> names = platform::folderEntries(folder);
  std::sort(names.begin(), names.end());
  for (const char* ending : endings) {
    for (const std::string& name : names) {
      if (endsWith(name, ending) && platform::fileExists(below(folder, name))) {
        return below(folder, name);
      }
    }
  }
  return {};
}

}  // namespace

FontSearch searchSoundFont(const Choice& chosen, const std::string& systemRoot) {
  FontSearch search;
  if (!chosen.soundFont.empty()) {
    search.named = true;
    search.font = chosen.soundFont;
    if (platform::isFolder(chosen.soundFont)) {
      search.problem = phrase("The SoundFont is a folder, not a file.");
    } else if (!platform::fileExists(chosen.soundFont)) {
      search.problem = phrase("There is no such SoundFont file.");
    }
    return search;
  }
  // The user's own folders, each once.
  std::vector<std::string> folders;
  const std::string dataHome = platform::environmentVariable("XDG_DATA_HOME");
  const std::string home = platform::environmentVariable("HOME");
  if (!dataHome.empty() && dataHome.front() == '/') folders.push_back(below(dataHome, "soundfonts"));
  if (!home.empty()) {
    folders.push_back(below(below(below(home, ".local"), "share"), "soundfonts"));
    folders.push_back(below(below(home, ".sounds"), "sf2"));
  }
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const std::string& folder : folders) {
    search.tried.push_back({folder, firstFontIn(folder, {".sf2", ".sf3"})});
    if (!search.tried.back().found.empty()) {
      search.font = search.tried.back().found;
      return search;
    }
  }
  // The system's chosen GM font (a Debian alternative), sf2 first; then any
  // sf2 font of the system.
  for (const auto& [folder, file] : {std::pair{"sf2", "default-GM.sf2"}, std::pair{"sf3", "default-GM.sf3"}}) {
    const std::string path = below(below(systemRoot, folder), file);
    search.tried.push_back({path, platform::fileExists(path) ? path : std::string()});
    if (!search.tried.back().found.empty()) {
      search.font = path;
      return search;
    }
  }
  const std::string systemFolder = below(systemRoot, "sf2");
  search.tried.push_back({systemFolder, firstFontIn(systemFolder, {".sf2"})});
  search.font = search.tried.back().found;
  return search;
}

}  // namespace sound
