// The program and its console layer on a real (pseudo-)terminal: key
// decoding, waits that sleep, and the terminal mode after every kind of end.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "pty_session.h"

namespace {

using pty::Event;
using pty::Options;
using pty::Session;

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Options probe(const char* mode) { return pty::command({LIRKEL_KEY_PROBE, mode}); }

// Two-second notes: long enough to act in the middle of one.
const char* const longTune = "Z20\"Long tune\"C0C0C0C0C0";

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What the tune wrote from its title on (a line about the sound device may
// come first, depending on the machine).
std::string fromTitle(const std::string& text) {
  const std::size_t title = text.find("\n\"");
  return title == std::string::npos ? text : text.substr(title);
}

std::string temporaryPath(const char* name) {
  return testing::TempDir() + name + std::to_string(getpid());
}

TEST(KeysOnATerminal, EachKeyGivesOneAnswer) {
  Session session(probe("keys"));
  ASSERT_TRUE(session.waitDrawn("ready", 5000));
  session.type("aZ \r\n");
  session.type("\x1b[A");        // arrow up
  session.type("\x1b[15~");      // F5
  session.type("\xc3\xa4");      // a-umlaut in UTF-8
  session.type("\xe4\xb8\xad");  // a character Windows-1252 lacks
  ASSERT_TRUE(session.waitDrawn("key 0\r\nkey 0\r\nkey 228\r\nkey 0\r\n", 5000));
  session.type("\x1b");  // Escape alone
  pause(200);
  session.type("\033x");  // Escape right before another key
  session.type("q");
  ASSERT_TRUE(session.waitDrawn("done", 5000));
  const std::string expected =
      "ready\r\nkey 97\r\nkey 90\r\nkey 32\r\nkey 13\r\nkey 13\r\n"
      "key 0\r\nkey 0\r\nkey 228\r\nkey 0\r\n"
      "key 27\r\nkey 27\r\nkey 120\r\nkey 113\r\ndone\r\n";
  EXPECT_EQ(session.drawn, expected);
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 5000));
  EXPECT_EQ(end.kind, Event::exited);
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
}

TEST(KeysOnATerminal, KeysTypedBeforeTheStartAreDropped) {
  Options options = probe("keys");
  options.typedAhead = "xyz\x1b[A";
  Session session(options);
  ASSERT_TRUE(session.waitDrawn("ready", 5000));
  session.type("q");
  ASSERT_TRUE(session.waitDrawn("done", 5000));
  EXPECT_NE(session.drawn.find("ready\r\nkey 113\r\ndone"), std::string::npos) << session.drawn;
}

TEST(KeysOnATerminal, InTheModeNoEchoAndSingleKeys) {
  Session session(probe("keys"));
  ASSERT_TRUE(session.waitDrawn("ready", 5000));
  const termios running = session.mode();
  EXPECT_EQ(running.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_NE(running.c_lflag & ISIG, 0u);  // Ctrl+C stays with the system
  EXPECT_NE(session.modeBefore.c_lflag & ICANON, 0u);
  session.type("q");
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 5000));
  EXPECT_EQ(session.drawn.find("q"), std::string::npos) << "the key was echoed";
}

TEST(KeysOnATerminal, WaitingForAKeySleeps) {
  Session session(probe("wait"));
  ASSERT_TRUE(session.waitDrawn("ready", 5000));
  pause(2000);
  session.type("k");
  ASSERT_TRUE(session.waitDrawn("\r\n", 5000));
  ASSERT_TRUE(session.waitDrawn("cpu_us", 5000));
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 5000));
  unsigned key = 0;
  long cpuUs = -1;
  const std::size_t at = session.drawn.find("answer");
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(std::sscanf(session.drawn.c_str() + at, "answer %u cpu_us %ld", &key, &cpuUs), 2);
  EXPECT_EQ(key, static_cast<unsigned>('k'));
  std::printf("CPU time of a 2 s wait for a key: %ld us\n", cpuUs);
  EXPECT_LT(cpuUs, 50'000) << "a two-second wait for a key used " << cpuUs << " us of CPU";
}

TEST(KeysOnATerminal, WithoutATerminalNoWaitHangs) {
  Options options = probe("wait");
  options.stdinFromNull = true;
  Session session(options);
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 5000));
  EXPECT_EQ(end.kind, Event::exited);
  EXPECT_TRUE(session.waitDrawn("answer 0 ", 1000)) << session.drawn;
}

TEST(KeysOnATerminal, AFatalErrorStillRestoresTheTerminal) {
  for (const char* way : {"abort", "fault"}) {
    SCOPED_TRACE(way);
    Session session(probe(way));
    Event end;
    ASSERT_TRUE(session.waitEnd(end, 10000));
    // Killed by the signal, or ended by a sanitizer's report.
    EXPECT_TRUE(end.kind == Event::killed || end.code != 0);
    EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
  }
}

TEST(TheProgram, AKeyStopsTheTuneAtOnceEvenMidNoteAndTheTerminalIsAsBefore) {
  Session session(pty::command({LIRKEL_PROGRAM, longTune}));
  ASSERT_TRUE(session.waitDrawn("Long tune", 5000));
  const double titleAt = session.nowMs();
  pause(300);
  session.type("x");
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 15000));
  EXPECT_EQ(end.kind, Event::exited);
  EXPECT_EQ(end.code, 0);
  // Not at the end of the first note (2 s), nor of the tune.
  EXPECT_GE(end.atMs - titleAt, 300);
  EXPECT_LT(end.atMs - titleAt, 1000);
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
}

TEST(TheProgram, ATuneEndsByItselfWithTypedAheadKeysIgnored) {
  Options options = pty::command({LIRKEL_PROGRAM, "Z10\"Short\"C0C0"});
  // The start-up drain of pending keys stops at the arrow (it answers 0),
  // so only discarding all input keeps the x from stopping the tune.
  options.typedAhead = "\x1b[Ax";
  Session session(options);
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 10000));
  EXPECT_EQ(end.kind, Event::exited);
  EXPECT_EQ(end.code, 0);
  EXPECT_GE(end.atMs, 1900) << "a key typed before the start stopped the tune";
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
}

// Every signal whose default action ends a process, except the fatal errors
// (tested above) and SIGPIPE (a closed output, tested below): 1 to 31 and the
// real-time signals, less those that stop or are ignored by default.
std::vector<int> endingSignals() {
  std::vector<int> numbers;
  for (int number = 1; number <= SIGRTMAX; ++number) {
    if (number > 31 && number < SIGRTMIN) continue;  // kept by the C library
    switch (number) {
      case SIGKILL: case SIGSTOP: case SIGTSTP: case SIGTTIN: case SIGTTOU:
      case SIGCHLD: case SIGCONT: case SIGURG: case SIGWINCH: case SIGPIPE:
      case SIGSEGV: case SIGBUS: case SIGFPE: case SIGILL: case SIGABRT:
        continue;
      default:
        numbers.push_back(number);
    }
  }
  return numbers;
}

TEST(TheProgram, TerminatingSignalsEndItByTheSameSignalWithTheTerminalRestored) {
  const std::vector<int> numbers = endingSignals();
  ASSERT_GT(numbers.size(), 40u);
  for (int number : numbers) {
    SCOPED_TRACE(std::to_string(number) + " " + strsignal(number));
    Session session(pty::command({LIRKEL_PROGRAM, longTune}));
    ASSERT_TRUE(session.waitDrawn("Long tune", 5000));
    if (number == SIGINT) {
      session.type("\x03");  // Ctrl+C, turned into the signal by the terminal
    } else {
      session.signal(number);
    }
    Event end;
    ASSERT_TRUE(session.waitEnd(end, 6000));
    EXPECT_EQ(end.kind, Event::killed);
    EXPECT_EQ(end.code, number);
    EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
  }
}

TEST(TheProgram, StopAndContinue) {
  Session session(pty::command({LIRKEL_PROGRAM, longTune}));
  ASSERT_TRUE(session.waitDrawn("Long tune", 5000));
  session.type("\x1a");  // Ctrl+Z
  Event event;
  ASSERT_TRUE(session.nextEvent(event, 5000));
  ASSERT_EQ(event.kind, Event::stopped);
  EXPECT_EQ(event.code, SIGTSTP);
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore)) << "stopped in the program's mode";

  session.signal(SIGCONT);
  ASSERT_TRUE(session.nextEvent(event, 5000));
  EXPECT_EQ(event.kind, Event::continued);
  bool modeBack = false;
  for (int i = 0; i < 100 && !modeBack; ++i, pause(20)) {
    modeBack = (session.mode().c_lflag & ICANON) == 0;
  }
  EXPECT_TRUE(modeBack) << "the program's mode was not applied again";

  session.type("x");
  ASSERT_TRUE(session.waitEnd(event, 15000));
  EXPECT_EQ(event.kind, Event::exited);
  EXPECT_EQ(event.code, 0);
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
}

TEST(TheProgram, RedirectedLyricsGoToTheFileAndNotTheTerminal) {
  const std::string path = temporaryPath("lyrics");
  Options options = pty::command({LIRKEL_PROGRAM, "Z01\"Song\"<la>C<l\xc3\xa4.>D"});
  options.stdoutFile = path;
  Session session(options);
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 10000));
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(fromTitle(fileText(path)), "\n\"Song\"\nla l\xc3\xa4. \n");
  session.waitDrawn("la", 200);
  EXPECT_EQ(session.drawn.find("la"), std::string::npos);
  unlink(path.c_str());
}

TEST(TheProgram, RedirectedOutputIsCompleteWhenASignalEndsTheRun) {
  const std::string path = temporaryPath("signalled");
  Options options = pty::command({LIRKEL_PROGRAM, "Z20\"Cut short\"<first>C0<second>C0C0"});
  options.stdoutFile = path;
  Session session(options);
  // Signalled once the first lyric is in the file (a sanitized build on a
  // busy machine took over 700 ms to write it), or at 1.5 s, before the
  // second is due.
  for (int i = 0; i < 75 && fileText(path).find("first") == std::string::npos; ++i) pause(20);
  session.signal(SIGTERM);
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 6000));
  EXPECT_EQ(end.kind, Event::killed);
  EXPECT_EQ(fromTitle(fileText(path)), "\n\"Cut short\"\nfirst \n");
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
  unlink(path.c_str());
}

// The shell's prompt after a run starts a line of its own: a last lyric
// without its "." is followed by a line end, one with it by no second one.
TEST(TheProgram, ARunEndsAtTheStartOfALine) {
  for (const char* tune : {"Z01\"Song\"<la>C", "Z01\"Song\"<la.>C"}) {
    SCOPED_TRACE(tune);
    Session session(pty::command({LIRKEL_PROGRAM, tune}));
    Event end;
    ASSERT_TRUE(session.waitEnd(end, 10000));
    EXPECT_EQ(end.code, 0);
    session.waitDrawn("\x01", 300);  // whatever is still on its way
    const std::string drawn = fromTitle(session.drawn);
    EXPECT_EQ(drawn, std::string(tune).find('.') == std::string::npos
                         ? "\n\"Song\"\r\nla \r\n"
                         : "\n\"Song\"\r\nla. \r\n");
  }
}

TEST(TheProgram, AListingToAFileAtATerminalEndsWithoutAKey) {
  const std::string path = temporaryPath("listing");
  Options options = pty::command({LIRKEL_PROGRAM, "L"});
  options.stdoutFile = path;
  options.rows = 10;  // several pages
  Session session(options);
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 5000)) << "the listing waited for Enter";
  EXPECT_EQ(end.kind, Event::exited);
  EXPECT_EQ(end.code, 0);
  const std::string listing = fileText(path);
  EXPECT_NE(listing.find("MusikBibliotek"), std::string::npos);
  EXPECT_EQ(listing.find("tryck"), std::string::npos) << "a prompt went into the file";
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
  unlink(path.c_str());
}

// The program with standard output into a pipe and input from /dev/null, as
// in `lirkel ... | reader`.
struct PipedRun {
  pid_t pid = -1;
  int reader = -1;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

  explicit PipedRun(std::vector<const char*> arguments) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    arguments.insert(arguments.begin(), LIRKEL_PROGRAM);
    arguments.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
      dup2(ends[1], STDOUT_FILENO);
      const int none = open("/dev/null", O_RDONLY);
      dup2(none, STDIN_FILENO);
      execv(LIRKEL_PROGRAM, const_cast<char* const*>(arguments.data()));
      _exit(127);
    }
    close(ends[1]);
    reader = ends[0];
  }
  ~PipedRun() {
    if (reader >= 0) close(reader);
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  double elapsedMs() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
        .count();
  }
  // Reads until the text has come or the time is over.
  bool waitFor(std::string_view text, int timeoutMs) {
    std::string got;
    while (got.find(text) == std::string::npos && elapsedMs() < timeoutMs) {
      pollfd ready{reader, POLLIN, 0};
      if (poll(&ready, 1, 50) <= 0) continue;
      char buffer[4096];
      const ssize_t count = read(reader, buffer, sizeof buffer);
      if (count <= 0) return false;
      got.append(buffer, static_cast<std::size_t>(count));
    }
    return got.find(text) != std::string::npos;
  }
  void closeReader() {
    close(reader);
    reader = -1;
  }
  int waitStatus() {
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    return status;
  }
};

TEST(TheProgram, APipeReaderGetsTheTextAsItIsWrittenAndAClosedPipeEndsTheRunWithZero) {
  {
    // Two notes of two seconds: the title and the first lyric come at once,
    // and the write of the second lyric after the reader has gone ends the
    // run there, quietly.
    PipedRun run({"Z20\"Piped\"<first>C0<second>C0"});
    ASSERT_TRUE(run.waitFor("first", 1500)) << "the text waited for the end of the tune";
    run.closeReader();
    const int status = run.waitStatus();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_LT(run.elapsedMs(), 3500);
  }
  for (const char* argument : {"L", "?"}) {
    SCOPED_TRACE(argument);
    PipedRun run({argument});  // like `lirkel L | true`
    run.closeReader();
    const int status = run.waitStatus();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  // A check that found a fault keeps its 1 when nobody reads about it.
  PipedRun check({"--check", "/nonexistent/songs.txt"});
  check.closeReader();
  const int status = check.waitStatus();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "status " << status;
}

// A write to standard output that fails for another reason than a reader
// that went away (here a full disk) is one line on standard error and 1.
TEST(TheProgram, AFailedWriteIsOneLineAndStatusOne) {
  const std::string home = temporaryPath("home");
  mkdir(home.c_str(), 0700);
  // A sound device that takes everything, so the tune's only line is ours.
  const std::string asoundrc = home + "/.asoundrc";
  std::FILE* config = std::fopen(asoundrc.c_str(), "w");
  ASSERT_NE(config, nullptr);
  std::fputs("pcm.!default { type null }\n", config);
  std::fclose(config);
  for (const char* argument : {"--titles", "L", "?", "--help", "--version", "Z01<la>C9"}) {
    SCOPED_TRACE(argument);
    const std::string errors = temporaryPath("errors");
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
      dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO);
      dup2(open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
      setenv("HOME", home.c_str(), 1);
      setenv("XDG_DATA_HOME", home.c_str(), 1);
      setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
      setenv("LC_ALL", "C.UTF-8", 1);
      execl(LIRKEL_PROGRAM, LIRKEL_PROGRAM, argument, static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "status " << status;
    EXPECT_EQ(fileText(errors),
              "lirkel: cannot write to standard output: No space left on device\n");
    unlink(errors.c_str());
  }
  unlink(asoundrc.c_str());
  rmdir(home.c_str());
}

// The listing's rows after its three banner lines, on a window of this width.
std::vector<std::string> listingRows(unsigned short columns) {
  const std::string path = temporaryPath("listing");
  Options options = pty::command({LIRKEL_PROGRAM, "L"});
  options.stdoutFile = path;
  options.columns = columns;
  Session session(options);
  Event end;
  if (!session.waitEnd(end, 5000)) return {};
  std::istringstream text(fileText(path));
  unlink(path.c_str());
  std::vector<std::string> rows;
  std::string row;
  for (int line = 0; std::getline(text, row); ++line) {
    if (line >= 3) rows.push_back(row);
  }
  return rows;
}

// However wide the window, every title is listed whole, two to a row: a row
// holds at most 255 characters, so the halves stop growing at 127.
TEST(TheProgram, AListingOnAWideTerminalShowsEveryTitleWhole) {
  // Two columns wide, every title stands alone on its row.
  const std::vector<std::string> titles = listingRows(2);
  ASSERT_EQ(titles.size(), 49u);
  for (unsigned short columns : {300, 600}) {
    SCOPED_TRACE(columns);
    std::vector<std::string> listed;
    for (const std::string& row : listingRows(columns)) {
      // Characters, not UTF-8 bytes.
      EXPECT_LE(std::count_if(row.begin(), row.end(), [](char c) { return (c & 0xC0) != 0x80; }),
                255);
      // Titles are padded far apart; none holds two blanks in a row.
      for (std::size_t at = 0; at < row.size();) {
        const std::size_t gap = row.find("  ", at);
        listed.push_back(row.substr(at, gap - at));
        at = row.find_first_not_of(' ', gap);
      }
    }
    EXPECT_EQ(listed, titles);
  }
}

}  // namespace
