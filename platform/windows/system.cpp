// Time, the random seed and files on Windows.
#include <windows.h>

#include <algorithm>

#include "platform/platform.h"
#include "platform/windows/process.h"

namespace platform {

std::int64_t clockMs() { return static_cast<std::int64_t>(GetTickCount64()); }

void sleepUntilMs(std::int64_t timeMs) {
  const std::int64_t left = timeMs - clockMs();
  if (left > 0) windows::waitOrEnd(static_cast<unsigned>(left));
}

// A MIDI message sounds when it is sent here, so a note may not end early:
// a key is seen after the note, as always.
bool sleepUntilMsOrInput(std::int64_t timeMs) {
  sleepUntilMs(timeMs);
  return false;
}

LocalTime localTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::uint64_t randomSeed() {
  LARGE_INTEGER ticks{};
  QueryPerformanceCounter(&ticks);
  return static_cast<std::uint64_t>(ticks.QuadPart) ^
         (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^ GetTickCount64();
}

bool fileExists(const std::string& path) {
  // Opening the path follows links, so the attributes are the target's; a
  // directory opens only with backup semantics, and is then told apart.
  const HANDLE file =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  return known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string executableDirectory() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string whole(path, length);
  const std::size_t separator = whole.find_last_of("\\/");
  if (length == 0 || separator == std::string::npos) return ".\\";
  return whole.substr(0, separator + 1);
}

char pathSeparator() { return '\\'; }

std::string fixedMidiDirectory() { return "d:\\src\\qvt\\midi\\"; }

namespace windows {

std::string systemText(unsigned long error) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, sizeof text, nullptr);
  std::string message = text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

}  // namespace windows

std::string environmentVariable(const char* name) {
  char value[32768];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length == 0 || length >= sizeof value ? std::string() : std::string(value, length);
}

char pathListSeparator() { return ';'; }

std::string userDataDirectory() {
  const std::string data = environmentVariable("APPDATA");
  if (data.empty()) return executableDirectory();
  return data.back() == '\\' ? data : data + '\\';
}

std::string programDataDirectory() { return executableDirectory(); }

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  const std::string pattern =
      folder + (folder.empty() || folder.back() == '\\' || folder.back() == '/' ? "*" : "\\*");
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found) != 0);
  FindClose(search);
  return names;
}

bool isFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

SmallFile readSmallFile(const std::string& path, std::size_t largest) {
  SmallFile small;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    small.problem = windows::systemText(GetLastError());
    return small;
  }
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || GetFileSizeEx(file, &size) == 0) {
    small.problem = "not a regular file";
  } else if (static_cast<std::uint64_t>(size.QuadPart) > largest) {
    small.problem = "larger than " + std::to_string(largest / 1'000'000) + " MB";
  } else {
    small.bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!small.bytes.empty() &&
        (ReadFile(file, small.bytes.data(), static_cast<DWORD>(small.bytes.size()), &read,
                  nullptr) == 0 ||
         read != small.bytes.size())) {
      small.problem = "could not be read whole";
      small.bytes.clear();
    }
  }
  CloseHandle(file);
  return small;
}

ReplacementFile::ReplacementFile(const std::string& path) : path_(path) {
  const std::size_t separator = path.find_last_of("\\/:");
  const std::string folder = separator == std::string::npos ? "." : path.substr(0, separator + 1);
  char temporary[MAX_PATH + 1] = {};
  // Creates a file of a new name in the folder, exclusively.
  if (GetTempFileNameA(folder.c_str(), "lrk", 0, temporary) == 0) {
    problem_ = windows::systemText(GetLastError());
    return;
  }
  temporary_ = temporary;
  const HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    problem_ = windows::systemText(GetLastError());
    DeleteFileA(temporary);
    return;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
}

ReplacementFile::~ReplacementFile() {
  if (handle_ == -1) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
  DeleteFileA(temporary_.c_str());
}

void ReplacementFile::append(const std::uint8_t* data, std::size_t size) {
  while (problem_.empty() && size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20));
    DWORD written = 0;
    if (WriteFile(reinterpret_cast<HANDLE>(handle_), data, chunk, &written, nullptr) == 0 ||
        written == 0) {
      const DWORD error = GetLastError();
      problem_ = windows::systemText(error != 0 ? error : ERROR_WRITE_FAULT);
      return;
    }
    data += written;
    size -= written;
  }
}

void ReplacementFile::overwrite(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  if (!problem_.empty()) return;
  const HANDLE file = reinterpret_cast<HANDLE>(handle_);
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  LARGE_INTEGER end{};
  if (SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_CURRENT) == 0 ||
      SetFilePointerEx(file, at, nullptr, FILE_BEGIN) == 0) {
    problem_ = windows::systemText(GetLastError());
    return;
  }
  append(data, size);
  if (problem_.empty() && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) == 0) {
    problem_ = windows::systemText(GetLastError());
  }
}

const std::string& ReplacementFile::finish() {
  if (handle_ == -1) return problem_;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
  if (problem_.empty() &&
      MoveFileExA(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING) == 0) {
    problem_ = windows::systemText(GetLastError());
  }
  if (!problem_.empty()) DeleteFileA(temporary_.c_str());
  return problem_;
}

}  // namespace platform
