// Time, the random seed and files on Linux.
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <climits>
#include <ctime>

#include "text/codepage.h"
#include "platform/linux/signals.h"
#include "platform/platform.h"

#ifndef LIRKEL_MIDI_DIR
#define LIRKEL_MIDI_DIR "/usr/local/share/lirkel/midi/"
#endif

namespace platform {

std::int64_t clockMs() { return posix::monotonicNs() / 1'000'000; }

void sleepUntilMs(std::int64_t timeMs) { posix::sleepUntil(timeMs * 1'000'000); }

LocalTime localTime() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::uint64_t randomSeed() {
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  return static_cast<std::uint64_t>(ticks) ^ (static_cast<std::uint64_t>(getpid()) << 32);
}

bool fileExists(const std::string& path) {
  struct stat info {};
  return stat(cp1252::cp1252ToUtf8(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string executableDirectory() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "./";
  std::string directory(path, static_cast<std::size_t>(length));
  return cp1252::utf8ToCp1252(directory.substr(0, directory.rfind('/') + 1));
}

char pathSeparator() { return '/'; }

std::string fixedMidiDirectory() { return LIRKEL_MIDI_DIR; }

std::string replaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string target = cp1252::cp1252ToUtf8(path);
  const std::size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  std::string temporary = folder + "/.lirkel-XXXXXX";
  // mkstemp creates the file itself, exclusively, readable by its owner only.
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return std::strerror(errno);
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  const int writeError = done == bytes.size() ? 0 : (errno != 0 ? errno : EIO);
  const bool closed = close(fd) == 0;
  if (writeError != 0 || !closed || rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = writeError != 0 ? writeError : errno;
    unlink(temporary.c_str());
    return std::strerror(error);
  }
  return {};
}

}  // namespace platform
