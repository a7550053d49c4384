#include "platform/fake/fake_platform.h"

#include "platform/process_end.h"

#include <algorithm>

namespace fake {
namespace {

struct World {
  Script script;
  std::vector<Call> calls;
  std::string output;
  std::string errors;
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::map<std::string, std::vector<std::uint8_t>> unfinished;
  std::size_t written = 0;  // against the disk space
  std::int64_t now = 0;
  std::int64_t reads = 0;
};

// Never destroyed: outputs still open when a test program ends log their
// closing here during the ending.
World& world() {
  static World& w = *new World;
  return w;
}

bool keyDue(const KeyPress& key) {
  return (key.afterReads >= 0 && world().reads >= key.afterReads) ||
         (key.atMs >= 0 && world().now >= key.atMs);
}

}  // namespace

void record(std::string name, std::vector<std::int64_t> args, std::string text) {
  world().calls.push_back(
      {world().now, std::move(name), std::move(args), std::move(text), world().output.size()});
}

void advanceClock(std::int64_t ms) { world().now += ms; }

void advanceClockUntilKey(std::int64_t ms) {
  const auto& keys = world().script.keys;
  std::int64_t until = world().now + ms;
  if (world().script.terminal && !keys.empty() && keys.front().atMs >= 0) {
    until = std::min(until, std::max(world().now, keys.front().atMs));
  }
  world().now = until;
}

Script& script() { return world().script; }
std::vector<Call>& calls() { return world().calls; }
std::string& output() { return world().output; }
std::string& errors() { return world().errors; }
std::map<std::string, std::vector<std::uint8_t>>& files() { return world().files; }
std::map<std::string, std::vector<std::uint8_t>>& unfinishedFiles() { return world().unfinished; }
std::int64_t nowMs() { return world().now; }
std::int64_t inputReads() { return world().reads; }

void reset() {
  world() = World{};
  platform::setExitHook(nullptr);
  platform::setShutdownProc(nullptr);
}

std::vector<Call> callsNamed(std::string_view name) {
  std::vector<Call> found;
  std::copy_if(world().calls.begin(), world().calls.end(), std::back_inserter(found),
               [&](const Call& call) { return call.name == name; });
  return found;
}

void endProcess() { platform::runProcessEnd(); }

}  // namespace fake

namespace platform {

using fake::record;
using fake::world;

void startProcess(int, char**) { record("startProcess"); }

// Logged with the command and its arguments, one a line.
CommandEnd runCommand(std::size_t first) {
  std::string command;
  const std::vector<std::string>& arguments = world().script.arguments;
  for (std::size_t i = first; i < arguments.size(); ++i) command += arguments[i] + "\n";
  record("runCommand", {}, command);
  world().now += world().script.commandEnd.elapsedMs;
  return world().script.commandEnd;
}

std::string translated(std::string_view english) { return std::string(english); }
std::vector<std::string> commandLineArguments() { return world().script.arguments; }

std::int64_t clockMs() { return world().now; }

// Logged as the length waited, which is what a test asks about.
void sleepUntilMs(std::int64_t timeMs) {
  record("wait", {timeMs - world().now});
  world().now = std::max(world().now, timeMs);
}

// Logged as a wait too; a key pressed before the time ends it there.
bool sleepUntilMsOrInput(std::int64_t timeMs) {
  record("wait", {timeMs - world().now});
  const auto& keys = world().script.keys;
  if (world().script.terminal && !keys.empty() && keys.front().atMs >= 0 &&
      keys.front().atMs < timeMs) {
    world().now = std::max(world().now, keys.front().atMs);
    return true;
  }
  world().now = std::max(world().now, timeMs);
  return false;
}

LocalTime localTime() { return world().script.time; }
std::uint64_t randomSeed() { return world().script.seed; }

bool fileExists(const std::string& path) {
  record("fileExists", {}, path);
  return world().script.existingFiles.count(path) > 0;
}
std::string executableDirectory() { return world().script.executableDirectory; }
char pathSeparator() { return '/'; }
std::string fixedMidiDirectory() { return world().script.fixedMidiDirectory; }

bool consoleStartInput() {
  record("consoleStartInput");
  return world().script.terminal;
}
void consoleStopInput() { record("consoleStopInput"); }
bool consoleInputIsTerminal() { return world().script.terminal; }

bool consoleReadEvent(InputEvent& event) {
  ++world().reads;
  auto& keys = world().script.keys;
  if (!world().script.terminal || keys.empty() || !fake::keyDue(keys.front())) return false;
  event.keyDown = keys.front().keyDown;
  event.character = keys.front().character;
  keys.pop_front();
  return true;
}

bool consoleWaitInput(int timeoutMs) {
  record("consoleWaitInput", {timeoutMs});
  if (!world().script.terminal) return false;
  auto& keys = world().script.keys;
  if (keys.empty()) {
    // Nothing will ever come in this script: a test that waits without end
    // for it would hang, so say that no input can come.
    if (timeoutMs < 0) return false;
    world().now += timeoutMs;
    return true;
  }
  const fake::KeyPress& next = keys.front();
  if (next.afterReads >= 0 || fake::keyDue(next)) return true;
  const std::int64_t until =
      timeoutMs < 0 ? next.atMs : std::min(next.atMs, world().now + timeoutMs);
  world().now = std::max(world().now, until);
  return true;
}

void consoleOpenScreen() { record("consoleOpenScreen"); }
void consoleCloseScreen() { record("consoleCloseScreen"); }

bool consoleReadScreenInfo(ScreenInfo& info) {
  if (!world().script.screen) return false;
  info = world().script.screenInfo;
  return true;
}

void consoleGotoXY(int column, int row) { record("consoleGotoXY", {column, row}); }

void consoleWriteAt(std::string_view text, int column, int row) {
  record("consoleWriteAt", {column, row}, std::string(text));
}

void writeStdout(std::string_view text) { world().output += text; }
void setReaderGoneStatus(int status) { record("setReaderGoneStatus", {status}); }
int finishStdout(int status) { return status; }
void flushStdout() { record("flushStdout"); }
void holdStdout(bool held) { record("holdStdout", {held ? 1 : 0}); }
bool stdoutIsTerminal() { return world().script.stdoutTerminal; }
std::string_view lineBreak() { return "\n"; }

std::string environmentVariable(const char* name) {
  const auto found = world().script.environment.find(name);
  return found == world().script.environment.end() ? std::string() : found->second;
}

char pathListSeparator() { return ':'; }
std::string userDataDirectory() { return world().script.userDataDirectory; }
std::string programDataDirectory() { return world().script.programDataDirectory; }

std::vector<std::string> folderEntries(const std::string& folder) {
  record("folderEntries", {}, folder);
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  std::vector<std::string> names;
  for (const auto& [path, contents] : world().script.readableFiles) {
    if (path.rfind(prefix, 0) != 0) continue;
    const std::string rest = path.substr(prefix.size());
    const std::string name = rest.substr(0, rest.find('/'));
    if (names.empty() || names.back() != name) names.push_back(name);
  }
  return names;
}

bool isFolder(const std::string& path) {
  const std::string prefix = path.empty() || path.back() == '/' ? path : path + '/';
  for (const auto& [file, contents] : world().script.readableFiles) {
    if (file.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

SmallFile readSmallFile(const std::string& path, std::size_t largest) {
  record("readSmallFile", {}, path);
  SmallFile file;
  const auto found = world().script.readableFiles.find(path);
  if (found == world().script.readableFiles.end()) {
    file.problem = "No such file or directory";
  } else if (found->second.size() > largest) {
    file.problem = "larger than " + std::to_string(largest / 1'000'000) + " MB";
  } else {
    file.bytes.assign(found->second.begin(), found->second.end());
  }
  return file;
}

void writeStderr(std::string_view text) { world().errors += text; }

void writeProblem(std::string_view file, std::string_view text) {
  world().errors += "lirkel: ";
  if (!file.empty()) world().errors.append(file).append(": ");
  world().errors.append(text).append("\n");
}

ReplacementFile::ReplacementFile(const std::string& path) : path_(path) {
  record("createFile", {}, path);
  if (!world().script.writableFiles) {
    problem_ = "Permission denied";
    return;
  }
  world().unfinished[path].clear();
  handle_ = 1;
}

ReplacementFile::~ReplacementFile() {
  if (handle_ != -1) world().unfinished.erase(path_);
}

void ReplacementFile::append(const std::uint8_t* data, std::size_t size) {
  if (!problem_.empty()) return;
  if (size > world().script.diskSpace - world().written) {
    problem_ = "No space left on device";
    return;
  }
  world().written += size;
  std::vector<std::uint8_t>& bytes = world().unfinished[path_];
  bytes.insert(bytes.end(), data, data + size);
}

void ReplacementFile::overwrite(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  if (!problem_.empty()) return;
  std::vector<std::uint8_t>& bytes = world().unfinished[path_];
  if (offset + size > bytes.size()) bytes.resize(offset + size);
  std::copy(data, data + size, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

const std::string& ReplacementFile::finish() {
  if (handle_ == -1) return problem_;
  handle_ = -1;
  record("finishFile", {}, path_);
  if (problem_.empty()) world().files[path_] = world().unfinished[path_];
  world().unfinished.erase(path_);
  return problem_;
}

}  // namespace platform
