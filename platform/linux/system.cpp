// Time, the random seed and files on Linux.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <climits>
#include <ctime>

#include "text/codepage.h"
#include "platform/linux/signals.h"
#include "platform/platform.h"

#ifndef LIRKEL_DATA_DIR
#define LIRKEL_DATA_DIR "/usr/local/share/lirkel/"
#endif
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

std::string environmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : cp1252::utf8ToCp1252(value);
}

char pathListSeparator() { return ':'; }

std::string userDataDirectory() {
  const std::string data = environmentVariable("XDG_DATA_HOME");
  if (!data.empty() && data.front() == '/') return data.back() == '/' ? data : data + '/';
  const std::string home = environmentVariable("HOME");
  return (home.empty() ? std::string(".") : home) + "/.local/share/";
}

std::string programDataDirectory() { return LIRKEL_DATA_DIR; }

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* directory = opendir(cp1252::cp1252ToUtf8(folder).c_str());
  if (directory == nullptr) return names;
  while (const dirent* entry = readdir(directory)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.push_back(cp1252::utf8ToCp1252(name));
  }
  closedir(directory);
  return names;
}

bool isFolder(const std::string& path) {
  struct stat info {};
  return stat(cp1252::cp1252ToUtf8(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

SmallFile readSmallFile(const std::string& path, std::size_t largest) {
  SmallFile file;
  // Opened without waiting: a FIFO or a device would otherwise block here.
  const int fd = open(cp1252::cp1252ToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    file.problem = posix::errorText(errno);
    return file;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    file.problem = "not a regular file";
  } else if (static_cast<std::uint64_t>(info.st_size) > largest) {
    file.problem = "larger than " + std::to_string(largest / 1'000'000) + " MB";
  } else {
    file.bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < file.bytes.size()) {
      const ssize_t count = read(fd, file.bytes.data() + done, file.bytes.size() - done);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) break;
      done += static_cast<std::size_t>(count);
    }
    if (done != file.bytes.size()) {
      file.problem = "could not be read whole";
      file.bytes.clear();
    }
  }
  close(fd);
  return file;
}

namespace {

// The temporary file of the replacement being written, for the ending by a
// signal to remove: only async-signal-safe reads of it there.
char openTemporary[PATH_MAX];
volatile sig_atomic_t temporaryOpen = 0;

void keepTemporary(const std::string& name) {
  if (name.size() >= sizeof openTemporary) return;
  std::memcpy(openTemporary, name.c_str(), name.size() + 1);
  temporaryOpen = 1;
}

std::string folderOf(const std::string& target) {
  const std::size_t slash = target.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
}

// The mode (and, for root, the owner) of the regular file at the path, or
// what a newly created file would get.
void takeOwnershipOf(const std::string& target, int fd) {
  struct stat old {};
  if (lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    // The owner first, as a change of owner clears the set-user-ID bits.
    // Someone not root keeps the group only when a member of it.
    [[maybe_unused]] const int owned =
        fchown(fd, geteuid() == 0 ? old.st_uid : static_cast<uid_t>(-1), old.st_gid);
    fchmod(fd, old.st_mode & 07777);
    return;
  }
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
}

}  // namespace

namespace posix {

void removeTemporaryFile() {
  if (temporaryOpen == 0) return;
  temporaryOpen = 0;
  unlink(openTemporary);
}

}  // namespace posix

ReplacementFile::ReplacementFile(const std::string& path) : path_(cp1252::cp1252ToUtf8(path)) {
  temporary_ = folderOf(path_) + "/.lirkel-XXXXXX";
  // mkostemp creates the file itself, exclusively, readable by its owner only.
  const int fd = mkostemp(temporary_.data(), O_CLOEXEC);
  if (fd < 0) {
    problem_ = posix::errorText(errno);
    return;
  }
  keepTemporary(temporary_);
  handle_ = fd;
  takeOwnershipOf(path_, fd);
}

ReplacementFile::~ReplacementFile() {
  if (handle_ < 0) return;
  close(static_cast<int>(handle_));
  handle_ = -1;
  posix::removeTemporaryFile();
}

void ReplacementFile::append(const std::uint8_t* data, std::size_t size) {
  // A long export notices Ctrl+C here, and ends without its file.
  if (posix::signalPending()) posix::endBySignal();
  while (problem_.empty() && size > 0) {
    const ssize_t written = write(static_cast<int>(handle_), data, size);
    if (written < 0 && errno == EINTR) {
      if (posix::signalPending()) posix::endBySignal();
      continue;
    }
    if (written <= 0) {
      problem_ = posix::errorText(written < 0 ? errno : EIO);
      break;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void ReplacementFile::overwrite(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  while (problem_.empty() && size > 0) {
    const ssize_t written =
        pwrite(static_cast<int>(handle_), data, size, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      problem_ = posix::errorText(written < 0 ? errno : EIO);
      break;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
    offset += static_cast<std::uint64_t>(written);
  }
}

const std::string& ReplacementFile::finish() {
  if (handle_ < 0) return problem_;
  const bool closed = close(static_cast<int>(handle_)) == 0;
  handle_ = -1;
  if (problem_.empty() && !closed) problem_ = posix::errorText(errno);
  if (problem_.empty() && rename(temporary_.c_str(), path_.c_str()) != 0) {
    problem_ = posix::errorText(errno);
  }
  if (problem_.empty()) {
    temporaryOpen = 0;
  } else {
    posix::removeTemporaryFile();
  }
  return problem_;
}

}  // namespace platform
