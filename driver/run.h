// Running a command and then playing how it went:
//   lirkel --run [--on-success TUNE] [--on-failure TUNE] [--if-longer SECONDS]
//                COMMAND [ARG...]
// The command is the user's own (platform::runCommand); no sound is opened
// and the terminal is not touched until it has ended. Then one tune plays,
// for success (status 0) or for failure, unless the user interrupted the
// command or it took less than --if-longer; the exit status is the command's.
#pragma once

#include "driver/command_line.h"

int runAndPlay(const CommandLine& line);
