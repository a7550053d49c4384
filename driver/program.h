// The main block and the dispatcher: join the command line, complete the
// identity texts, play what the argument names.
#pragma once

#include <string>
#include <vector>

#include "text/short_text.h"

extern ShortText joinedArgument;

// Every argument followed by one blank, cut to 255 characters.
ShortText joinArguments(const std::vector<std::string>& arguments);

unsigned char playArgument(bool echo, ShortText argument);
int programMain();
