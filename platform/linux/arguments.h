// Shared inside the Linux back end: the arguments the program was started
// with, as the system gave them (UTF-8 or any bytes, unconverted).
#pragma once

namespace platform::posix {

// argv as main() got it: the program's name first, a null pointer last.
char* const* programArguments();
int programArgumentCount();

}  // namespace platform::posix
