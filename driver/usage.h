// What "--help" and "--version" write, and the answer to a wrong command
// line, as GNU tools have them, in the user's language. ("?" keeps its own
// help text, library/help.h.)
#pragma once

#include <string_view>

// The tunes "--run" plays when nothing else is asked for: a rising phrase on
// a trumpet for success, a falling one on a trombone for failure, each about
// a second long (tones, which have no instruments, keep the directions).
inline constexpr std::string_view defaultSuccessTune = "Z12I056XHC3EGXIC1";
inline constexpr std::string_view defaultFailureTune = "Z12I057XHG3#DCXGG1";

void showUsage();
void showVersion();
// Writes the error and where to read more on standard error; answers the
// exit status of a usage error, 2.
int usageError(std::string_view error);
