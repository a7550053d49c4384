// Reading the command line as GNU tools read theirs: switches first, "--"
// ends them, then the tune (or the files to check, or the command to run).
// An argument that begins with "--" and names no switch is a usage error, and
// so is a switch after the tune; so is a dash and anything else as the first
// argument ("-x"), since no tune begins with one: "-" alone is the random
// song and "-h" the help. Everything else is joined and resolved as always.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class Task { play, help, version, titles, exportTune, check, run, soundCheck };

struct CommandLine {
  Task task = Task::play;
  // The tune's arguments, the songbooks to check, or the command to run
  // with its arguments.
  std::vector<std::string> operands;
  // Where the operands begin among the arguments (the command is run from
  // the arguments as given, not from these converted texts).
  std::size_t firstOperand = 0;
  std::string exportFile;
  std::optional<std::string> onSuccess;
  std::optional<std::string> onFailure;
  std::int64_t ifLongerMs = 0;
  // The sound switches as given (read by chooseSound, driver/sound_switches.h).
  std::optional<std::string> sound;
  std::optional<std::string> soundFont;
  std::optional<std::string> device;
  std::optional<std::string> volume;
  // Empty, or what is wrong with the line, as the first line of the error.
  std::string usageError;
};

CommandLine readCommandLine(const std::vector<std::string>& arguments);

// "30", "2.5": seconds, as milliseconds (finer digits are dropped);
// nothing for any other text.
std::optional<std::int64_t> secondsAsMs(const std::string& text);
