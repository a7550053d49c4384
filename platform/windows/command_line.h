// Splitting the process command line (UTF-16, as the system hands it over)
// into arguments. Kept free of system calls so that it is tested anywhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::windows {

// The command line without the program name at its start. The name is read
// like an argument (see below), except that an empty one still counts.
std::u16string_view skipProgramName(std::u16string_view line);

// Blanks, tabs and every other control character separate arguments; a
// double quote opens or closes a quoted stretch in which they do not
// separate; the quotes themselves are dropped; there is no escape character;
// two double quotes with nothing between them where an argument would begin
// are skipped and give no argument.
std::vector<std::u16string> splitCommandLine(std::u16string_view line);

// The command line that gives a program these arguments as the C runtime
// splits it (CommandLineToArgvW's rules): an argument with a blank, a tab or
// a double quote in it, or an empty one, is quoted, a double quote in it is
// written \", and backslashes are doubled where they come before a quote.
std::u16string joinCommandLine(const std::vector<std::u16string>& arguments);

}  // namespace platform::windows
