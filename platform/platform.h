// The machine services the program needs: the command line, the end of the
// process, running a command, the user's language, a clock and waits, local
// time, files, console input and screen, and standard output and error.
// Sound is not here: sound/ has its own outputs.
// Three back ends implement it: linux/ (a POSIX terminal), windows/ (the
// console API) and fake/ (scripted, for tests).
//
// All texts crossing the seam are Windows-1252 bytes; a back end converts to
// and from what its system speaks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// ---- Process -------------------------------------------------------------

// Called first thing in main(): keeps the arguments and installs what makes
// the exit hook and the shut-down procedure run at every end of the process
// (normal return, exit(), a fatal error, a terminating signal).
void startProcess(int argc, char** argv);

// The command-line arguments after the program name, in Windows-1252;
// a character without an equivalent becomes '?'.
std::vector<std::string> commandLineArguments();

// The process exit hook: one slot holding a procedure or nothing. At the end
// of the process the platform takes the procedure out, empties the slot and
// calls it, again and again until the slot stays empty; then it calls the
// shut-down procedure (the console layer's), exactly once.
using ExitProc = void (*)();
ExitProc exitHook();
void setExitHook(ExitProc procedure);
void setShutdownProc(ExitProc procedure);

// ---- Running a command ---------------------------------------------------

// How a command run for the user ended.
struct CommandEnd {
  bool started = false;      // false: it could not be run at all
  std::string problem;       // then why, in the system's words
  // As a shell reports it: the command's exit status; 128 + N after signal
  // N; 127 when there is no such command, 126 when it cannot be run.
  int status = 0;
  bool interrupted = false;  // the user stopped it: SIGINT or SIGQUIT, Ctrl+C
  std::int64_t elapsedMs = 0;
};

// Runs the program's own command-line arguments from `first` on as a command
// (its name looked up in PATH as a shell does), exactly as they were given,
// and waits for it. The command is the user's: it inherits standard input,
// output and error, the terminal, the environment and the directory, and
// runs in the program's process group, so keys and Ctrl+C reach it.
// Signals: a terminating signal that reaches this program meanwhile is
// passed on to the command, but for SIGINT and SIGQUIT from the terminal,
// which the command gets itself; once the command has ended the process ends
// by that signal and this call does not return. On Linux a command the user
// interrupted (SIGINT, SIGQUIT) ends the process by the same signal too.
CommandEnd runCommand(std::size_t first);

// ---- Language ------------------------------------------------------------

// One of the program's own messages, given in English, in the user's
// language: on Linux the locale's (LC_ALL, LC_MESSAGES, LANG, and GNU's
// LANGUAGE), through the message catalogues installed with the program;
// the English text itself when there is no translation, and on Windows.
// In Windows-1252, like every text crossing this seam.
std::string translated(std::string_view english);

// ---- Clock and waits -----------------------------------------------------

// A monotonic clock in milliseconds, for pacing music.
std::int64_t clockMs();
// Sleeps until clockMs() reaches the time; returns at once when it has.
// A request to end the process (a terminating signal, Ctrl+C) ends it here.
void sleepUntilMs(std::int64_t timeMs);
// The same, but it wakes early when input is pending (where input can come
// at all), so that a key stops a long note at once; answers whether it did.
// On Windows, whose MIDI messages sound when they are sent, it only sleeps.
bool sleepUntilMsOrInput(std::int64_t timeMs);

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  int second = 0;  // lets a clock sleep until its next minute
};
LocalTime localTime();

// A seed for the random choice, different from run to run.
std::uint64_t randomSeed();

// ---- Files ---------------------------------------------------------------

// True for an existing file (not a directory); links are followed.
bool fileExists(const std::string& path);
// The directory of the running program, ending with its separator.
std::string executableDirectory();
// The separator of directories in a path: '/' or '\\'.
char pathSeparator();
// The last place where MIDI files are looked for, ending with a separator.
std::string fixedMidiDirectory();
// The value of an environment variable, empty when it is not set.
std::string environmentVariable(const char* name);
// What separates the paths of a list in one variable: ':' or ';'.
char pathListSeparator();
// Where this user's programs keep data (ending with a separator): on Linux
// $XDG_DATA_HOME or ~/.local/share/, on Windows %APPDATA%\.
std::string userDataDirectory();
// Where data installed with the program lies (ending with a separator): on
// Linux <prefix>/share/lirkel/, on Windows the program's own directory.
std::string programDataDirectory();
// The names in a folder, in no order; empty when it cannot be read.
std::vector<std::string> folderEntries(const std::string& folder);
bool isFolder(const std::string& path);

// A small file read whole: only a regular file, at most the given size,
// never waiting on a device or a pipe.
struct SmallFile {
  std::vector<std::uint8_t> bytes;
  std::string problem;  // empty when read; else why not, in a few words
};
SmallFile readSmallFile(const std::string& path, std::size_t largest);

// A file written piece by piece under a temporary name, created exclusively
// in the folder of its path, and renamed to the path only by finish(): no
// partial file is ever left (a file not finished is removed, also when a
// signal ends the run), and a link left at the path is replaced, not written
// through. A regular file it replaces gives the new one its mode and, where
// the system lets it, its owner and group; a second hard link to the old
// file keeps the old contents.
class ReplacementFile {
 public:
  explicit ReplacementFile(const std::string& path);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Empty while all is well, else the system's words for the first failure;
  // after one, writing does nothing.
  const std::string& problem() const { return problem_; }
  void append(const std::uint8_t* data, std::size_t size);
  void append(const std::vector<std::uint8_t>& bytes) { append(bytes.data(), bytes.size()); }
  // Writes over bytes already appended, from the offset on.
  void overwrite(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
  // Puts the file in its place; answers problem().
  const std::string& finish();

 private:
  std::string path_;
  std::string temporary_;
  std::intptr_t handle_ = -1;  // -1 once closed, or when nothing was created
  std::string problem_;
};

// ---- Console input -------------------------------------------------------

// Saves the input mode and switches to single key presses without echo,
// keeping Ctrl+C with the system; discards input typed before. Answers
// whether input comes from a terminal at all.
bool consoleStartInput();
// Discards unread input and puts the saved input mode back.
void consoleStopInput();
bool consoleInputIsTerminal();

struct InputEvent {
  bool keyDown = false;
  unsigned char character = 0;  // 0 for keys without a character
};
// Takes at most one pending input event; never waits. False when there was
// none (or no terminal).
bool consoleReadEvent(InputEvent& event);
// Blocks until input is pending or the time is over (a negative time waits
// without end). Answers false at once when no input can ever come.
bool consoleWaitInput(int timeoutMs);

// ---- Console screen ------------------------------------------------------

void consoleOpenScreen();
void consoleCloseScreen();

struct ScreenInfo {
  int windowRight = 79;
  int windowBottom = 24;
  int cursorColumn = 0;
  int cursorRow = 0;
};
// False (and info untouched) when there is no screen to ask.
bool consoleReadScreenInfo(ScreenInfo& info);
void consoleGotoXY(int column, int row);
// Writes the text at the position and puts the cursor back where it was.
void consoleWriteAt(std::string_view text, int column, int row);

// ---- Standard output -----------------------------------------------------

// Writes Windows-1252 text to standard output, converted as the system
// needs; shown at once on a terminal. On Linux every piece also reaches a
// pipe or file at once, and when the reader of the output has gone away the
// run ends there, quietly, with the status set below. A write that fails
// otherwise is said once on standard error.
void writeStdout(std::string_view text);
// The exit status of a run that ends because its reader went away: 0 until
// a switch that checks files sets the 1 of a fault it has found.
void setReaderGoneStatus(int status);
// At the end of a run that ends by itself: flushes standard output (on Linux
// after ending the last line, when anything stands on it) and answers the
// exit status, 1 instead of 0 when a write to standard output failed.
int finishStdout(int status);
// True when standard output is a terminal (a console), where a person reads.
bool stdoutIsTerminal();
void flushStdout();
// While held, what is written to standard output gathers and goes out when
// the hold ends: for output that comes all at once, with no wait between
// (a listing into a pipe). Windows gathers what is not for a console always.
void holdStdout(bool held);
// The line end of the system's text files.
std::string_view lineBreak();

// Writes Windows-1252 text to standard error, converted as the system needs.
void writeStderr(std::string_view text);

// A problem the run carries on after (a device that would not open, a file
// that cannot play), with the file it is about when there is one. On Linux a
// line on standard error, "lirkel: FILE: text"; on Windows the text alone on
// a line of standard output, as the console program has always shown it.
void writeProblem(std::string_view file, std::string_view text);

}  // namespace platform
