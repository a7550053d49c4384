#include "platform/fake/fake_platform.h"

#include "platform/process_end.h"

#include <algorithm>

namespace fake {
namespace {

struct World {
  Script script;
  std::vector<Call> calls;
  std::string output;
  std::int64_t now = 0;
  std::int64_t reads = 0;
  unsigned nextDevice = 1;
  std::int64_t playStartedAt = -1;
};

World& world() {
  static World w;
  return w;
}

void record(std::string name, std::vector<std::int64_t> args = {}, std::string text = {}) {
  world().calls.push_back({world().now, std::move(name), std::move(args), std::move(text)});
}

bool keyDue(const KeyPress& key) {
  return (key.afterReads >= 0 && world().reads >= key.afterReads) ||
         (key.atMs >= 0 && world().now >= key.atMs);
}

}  // namespace

Script& script() { return world().script; }
std::vector<Call>& calls() { return world().calls; }
std::string& output() { return world().output; }
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
std::vector<std::string> commandLineArguments() { return world().script.arguments; }

void Beep(unsigned frequencyHz, unsigned lengthMs) {
  record("Beep", {frequencyHz, lengthMs});
  world().now += lengthMs;
}

void Sleep(unsigned lengthMs) {
  record("Sleep", {lengthMs});
  world().now += lengthMs;
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

unsigned midiOutGetNumDevs() {
  record("midiOutGetNumDevs");
  return world().script.midiDevices;
}

unsigned midiOutOpen(MidiHandle& handle) {
  record("midiOutOpen");
  if (world().script.midiOpenError != 0) return world().script.midiOpenError;
  handle = 0x4D4944;
  return midiNoError;
}

unsigned midiOutShortMsg(MidiHandle handle, std::uint32_t message) {
  record("midiOutShortMsg", {static_cast<std::int64_t>(handle), message});
  const unsigned status = message & 0xF0;
  if (status == 0x90) return world().script.noteOnError;
  if (status == 0x80) return world().script.noteOffError;
  return midiNoError;
}

unsigned midiOutClose(MidiHandle handle) {
  record("midiOutClose", {static_cast<std::int64_t>(handle)});
  return midiNoError;
}

std::string midiOutGetErrorTextA(unsigned code) {
  return "MIDI error " + std::to_string(code) + ".";
}

unsigned mciOpenSequencer(const std::string& path, unsigned& device) {
  record("mciOpenSequencer", {}, path);
  if (world().script.mciOpenError != 0) return world().script.mciOpenError;
  device = world().nextDevice++;
  return 0;
}

unsigned mciStatusPort(unsigned device) {
  record("mciStatusPort", {device});
  return world().script.mciStatusError;
}

unsigned mciPlay(unsigned device) {
  record("mciPlay", {device});
  if (world().script.mciPlayError != 0) return world().script.mciPlayError;
  world().playStartedAt = world().now;
  return 0;
}

bool mciIsPlaying(unsigned) {
  return world().playStartedAt >= 0 &&
         world().now < world().playStartedAt + world().script.midiFileLengthMs;
}

void mciClose(unsigned device) {
  record("mciClose", {device});
  world().playStartedAt = -1;
}

std::string mciGetErrorStringA(unsigned code) {
  return "Sequencer error " + std::to_string(code) + ".";
}

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
void flushStdout() { record("flushStdout"); }
std::string_view lineBreak() { return "\n"; }

}  // namespace platform
