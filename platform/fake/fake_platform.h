// A scripted stand-in for the machine, for tests: it records every call with
// its arguments and the time on a virtual clock (nothing really sleeps), and
// answers what the test tells it to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace fake {

struct Call {
  std::int64_t atMs = 0;  // on the virtual clock, when the call began
  std::string name;
  std::vector<std::int64_t> args;
  std::string text;
  std::size_t outputSize = 0;  // how much had been written to standard output
};

// A key press that becomes pending after a number of input reads, or at a
// time on the virtual clock, whichever is given (both: whichever comes first).
struct KeyPress {
  unsigned char character = 0;
  bool keyDown = true;
  std::int64_t afterReads = -1;
  std::int64_t atMs = -1;
};

struct Script {
  std::vector<std::string> arguments;
  bool terminal = true;       // input is a terminal, so keys can come
  bool stdoutTerminal = true; // standard output is a terminal too
  bool screen = true;         // a screen answers queries
  platform::ScreenInfo screenInfo;
  platform::LocalTime time{2026, 12, 9, 10, 30};
  std::uint64_t seed = 1;
  std::set<std::string> existingFiles;
  // Files that can be read whole, by path; a folder is any path that a
  // file's path continues with "/".
  std::map<std::string, std::string> readableFiles;
  std::map<std::string, std::string> environment;
  std::string userDataDirectory = "/home/user/.local/share/";
  std::string programDataDirectory = "/opt/lirkel/share/lirkel/";
  bool writableFiles = true;
  // Bytes the disk takes before it is full, all files together.
  std::size_t diskSpace = SIZE_MAX;
  std::string executableDirectory = "/opt/lirkel/bin/";
  std::string fixedMidiDirectory = "/opt/lirkel/share/lirkel/midi/";
  std::deque<KeyPress> keys;
  // How a command run for the user ends; its time passes on the clock.
  platform::CommandEnd commandEnd{true, {}, 0, false, 0};
};

Script& script();
std::vector<Call>& calls();
// Everything written to standard output, in Windows-1252.
std::string& output();
// Everything written to standard error.
std::string& errors();
// The files written and put in place, by path.
std::map<std::string, std::vector<std::uint8_t>>& files();
// The bytes of files still being written, by path: what would be left
// behind if they were not removed.
std::map<std::string, std::vector<std::uint8_t>>& unfinishedFiles();
std::int64_t nowMs();
std::int64_t inputReads();

// Back to a fresh machine: empty script, no calls, clock at 0, empty slots.
void reset();

// Adds a call to the log at the present time (the recording sound back end
// logs here too, so one log holds every call in order).
void record(std::string name, std::vector<std::int64_t> args = {}, std::string text = {});
// Moves the virtual clock on, as a call that takes time does.
void advanceClock(std::int64_t ms);
// The same, but only up to a key pressed meanwhile, as an output that
// watches the keyboard while it waits does.
void advanceClockUntilKey(std::int64_t ms);

// The calls with this name, in order.
std::vector<Call> callsNamed(std::string_view name);

// What the platform does when the process ends: the exit hook chain, then
// the shut-down procedure.
void endProcess();

}  // namespace fake
