#include "sound/linux/sound_check.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "sound/choice.h"
#include "sound/linux/alsa_stream.h"
#include "sound/linux/fluid_library.h"
#include "sound/linux/server_stream.h"
#include "sound/linux/soundfont.h"
#include "text/codepage.h"

namespace sound {
namespace {

// The file the runtime was loaded from, and the version it says it is.
void describeLibrary(std::vector<CheckLine>& lines) {
  const fluid::Library* fluid = fluid::library();
  Dl_info info{};
  if (fluid == nullptr || dladdr(reinterpret_cast<void*>(fluid->new_settings), &info) == 0) {
    lines.push_back({phrase("The synthesizer library FluidSynth is not installed."), {}});
    return;
  }
  std::string version = "?";
  if (void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD)) {
    using VersionText = const char* (*)();
    if (auto text = reinterpret_cast<VersionText>(dlsym(handle, "fluid_version_str"))) {
      version = text();
    }
    dlclose(handle);  // gives back only the reference taken here
  }
  lines.push_back({phrase("The synthesizer library: %s, version %s."),
                   {{cp1252::utf8ToCp1252(info.dli_fname)}, {version}}});
}

// "141.5": megabytes, to a tenth.
std::string megabytes(const std::string& path) {
  struct stat file {};
  if (stat(cp1252::cp1252ToUtf8(path).c_str(), &file) != 0) return "?";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(file.st_size) / 1e6);
  return text;
}

void describeSoundFont(std::vector<CheckLine>& lines) {
  const FontSearch& search = fluid::soundFontSearch();
  const Choice& chosen = choice();
  if (search.named) {
    if (search.problem != nullptr) {
      lines.push_back({phrase("The SoundFont named by %s: %s: %s"),
                       {{chosen.soundFontFrom}, {search.font}, {search.problem, true}}});
    } else {
      lines.push_back({phrase("The SoundFont named by %s: %s, %s MB."),
                       {{chosen.soundFontFrom}, {search.font}, {megabytes(search.font)}}});
    }
    return;
  }
  lines.push_back({phrase("No SoundFont is named (--soundfont, LIRKEL_SOUNDFONT)."), {}});
  for (const FontPlace& place : search.tried) {
    if (place.found.empty()) {
      lines.push_back({phrase("No SoundFont in %s."), {{place.where}}});
    } else {
      lines.push_back({phrase("The SoundFont found: %s, %s MB."),
                       {{place.found}, {megabytes(place.found)}}});
    }
  }
}

void describeServer(std::vector<CheckLine>& lines) {
  if (const char* named = std::getenv("PULSE_SERVER")) {
    lines.push_back({phrase("The sound server named by PULSE_SERVER: %s."),
                     {{cp1252::utf8ToCp1252(named)}}});
  } else if (server::socketPath().empty()) {
    lines.push_back({phrase("No sound server: XDG_RUNTIME_DIR is not set."), {}});
  } else if (server::socketThere()) {
    lines.push_back({phrase("A sound server's socket: %s."),
                     {{cp1252::utf8ToCp1252(server::socketPath())}}});
  } else {
    lines.push_back({phrase("No sound server: nothing at %s."),
                     {{cp1252::utf8ToCp1252(server::socketPath())}}});
  }
  if (server::socketThere() && !server::clientInstalled()) {
    lines.push_back({phrase("The sound server's client library libpulse-simple.so.0 is not installed."), {}});
  }
}

}  // namespace

void describeMachine(std::vector<CheckLine>& lines) {
  describeLibrary(lines);
  describeSoundFont(lines);
  describeServer(lines);
  if (choice().device != serverDevice) {
    lines.push_back({phrase("The ALSA device: %s."), {{alsa::deviceName()}}});
  }
}

}  // namespace sound
