// The program's own messages in the user's language on Linux, through GNU
// gettext as glibc has it. The catalogues are found beside the program, in
// the share/locale/ that its installation puts next to bin/, so that a
// package unpacked anywhere finds its own; they hold UTF-8.
#include <libintl.h>
#include <unistd.h>

#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "text/codepage.h"
#include "platform/linux/signals.h"
#include "platform/platform.h"

#ifndef LIRKEL_LOCALE_FROM_PROGRAM
#define LIRKEL_LOCALE_FROM_PROGRAM "../share/locale"
#endif

namespace platform {
namespace {

constexpr const char* domain = "lirkel";

std::string catalogueFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  const std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/') + 1) + LIRKEL_LOCALE_FROM_PROGRAM;
}

// True where the environment asks for the C locale's messages (LC_ALL,
// LC_MESSAGES, LANG: the first that is set, as setlocale reads them) and
// LANGUAGE names no other: the program's own English, with no catalogue to
// look for, so nothing of the locale's is read.
bool plainMessages() {
  const char* language = std::getenv("LANGUAGE");
  if (language != nullptr && *language != '\0') return false;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    const std::string_view name(value);
    return name == "C" || name == "POSIX" || name.starts_with("C.");
  }
  return true;
}

// The language alone: the character set, numbers, dates and sorting stay
// as the program has them everywhere. Its messages and the system's
// (strerror) come as UTF-8 whatever the character set.
void startLanguage() {
  static const bool started = [] {
    if (plainMessages()) return true;
    std::setlocale(LC_MESSAGES, "");
    const std::string folder = catalogueFolder();
    if (!folder.empty()) bindtextdomain(domain, folder.c_str());
    bind_textdomain_codeset(domain, "UTF-8");
    bind_textdomain_codeset("libc", "UTF-8");
    return true;
  }();
  (void)started;
}

}  // namespace

namespace posix {

std::string errorText(int error) {
  startLanguage();
  return std::strerror(error);
}

}  // namespace posix

std::string translated(std::string_view english) {
  startLanguage();
  const std::string key(english);
  const char* text = dgettext(domain, key.c_str());
  if (text == key.c_str() || text == nullptr) return key;
  return cp1252::utf8ToCp1252(text);
}

}  // namespace platform
