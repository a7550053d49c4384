// Where the General MIDI SoundFont is found. The root is a build setting so
// that tests can build a program that finds none.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sound/linux/fluid_engine.h"

#ifndef LIRKEL_SOUNDFONT_ROOT
#define LIRKEL_SOUNDFONT_ROOT "/usr/share/sounds"
#endif

namespace sound::fluid {
namespace {

bool isFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string findGeneralMidiSoundFont() {
  const std::string root = LIRKEL_SOUNDFONT_ROOT;
  // The system's chosen GM font (a Debian alternative), sf2 first: sf3 fonts
  // are compressed and take seconds to load.
  for (const char* choice : {"/sf2/default-GM.sf2", "/sf3/default-GM.sf3"}) {
    if (isFile(root + choice)) return root + choice;
  }
  std::vector<std::string> fonts;
  if (DIR* directory = opendir((root + "/sf2").c_str())) {
    while (const dirent* entry = readdir(directory)) {
      const std::string path = root + "/sf2/" + entry->d_name;
      if (endsWith(path, ".sf2") && isFile(path)) fonts.push_back(path);
    }
    closedir(directory);
  }
  if (fonts.empty()) return {};
  return *std::min_element(fonts.begin(), fonts.end());
}

}  // namespace

std::string generalMidiSoundFont() {
  // Looked for once a run: the preference table and the synthesizer ask.
  static const std::string font = findGeneralMidiSoundFont();
  return font;
}

}  // namespace sound::fluid
