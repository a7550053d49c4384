// The main block and the dispatcher: read the command line, complete the
// identity texts, hand the task on.
#pragma once

#include "text/short_text.h"

extern ShortText joinedArgument;

// Every changing record of the program back at its starting value, with
// nothing open: for tests and tools that run the program more than once.
void resetProgramState();
int programMain();
