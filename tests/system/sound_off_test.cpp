// The build with sound switched off, in a pseudo-terminal: one signal tone,
// then the date-and-time clock at the right edge of the cursor's row until a
// key is pressed, with no CPU spent while it waits.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "pty_session.h"

namespace {

using pty::Event;
using pty::Options;
using pty::Session;

const std::string restoreCursor = "\0338";  // ESC 8

std::string clockNow(std::time_t at) {
  std::tm parts{};
  localtime_r(&at, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
  return text;
}

TEST(SoundOff, TheClockIsDrawnOnTheTerminalWhileStandardOutputGoesToAFile) {
  const std::string path = testing::TempDir() + "sound-off-out" + std::to_string(getpid());
  Options options = pty::command({LIRKEL_SOUND_OFF_PROGRAM, "CDE"});
  options.stdoutFile = path;
  options.columns = 100;
  options.rows = 30;
  options.drawnBefore = "\r\n\r\nabc";  // the cursor at column 3 of row 2
  const std::time_t before = std::time(nullptr);
  Session session(options);
  ASSERT_TRUE(session.waitDrawn(restoreCursor, 5000)) << session.drawn;
  const double drawnAt = session.nowMs();
  const std::time_t after = std::time(nullptr);
  EXPECT_GE(drawnAt, 380) << "the 400 ms signal tone comes first";

  const pty::Screen screen = pty::replay(session.drawn, 100, 30);
  const std::string clock = screen.lines[2].substr(83, 16);
  EXPECT_TRUE(clock == clockNow(before) || clock == clockNow(after)) << clock;
  EXPECT_EQ(screen.lines[2].substr(0, 3), "abc");
  EXPECT_EQ(screen.lines[2].substr(3, 80), std::string(80, ' '));
  EXPECT_EQ(screen.lines[2][99], ' ') << "the right-most column stays untouched";
  EXPECT_EQ(screen.column, 3);
  EXPECT_EQ(screen.row, 2);
  EXPECT_TRUE(std::regex_search(session.drawn, std::regex("\0337\033\\[84G[-0-9: ]{16}\0338")))
      << "save, move on the row, write, restore; no cursor query";

  session.type("x");
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 5000));
  EXPECT_EQ(end.kind, Event::exited);
  EXPECT_EQ(end.code, 0);
  std::ifstream written(path);
  EXPECT_EQ(written.peek(), std::char_traits<char>::eof()) << "nothing goes to standard output";
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
  unlink(path.c_str());
}

TEST(SoundOff, WaitingWithTheClockCostsNoCpu) {
  Session session(pty::command({LIRKEL_SOUND_OFF_PROGRAM}));
  ASSERT_TRUE(session.waitDrawn(restoreCursor, 5000));
  std::this_thread::sleep_for(std::chrono::seconds(2));
  session.type("\x1b[B");  // an arrow key answers 0: the wait goes on
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Event end;
  EXPECT_FALSE(session.nextEvent(end, 0)) << "a key without a character ended the wait";
  session.type(" ");
  ASSERT_TRUE(session.waitEnd(end, 5000));
  EXPECT_EQ(end.kind, Event::exited);
  EXPECT_EQ(end.code, 0);
  // The whole run, start-up included, for more than two seconds of waiting.
  std::printf("CPU time of the run with a 2.3 s wait: %.1f ms\n", end.cpuMs);
  EXPECT_LT(end.cpuMs, 50.0);
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
}

TEST(SoundOff, CtrlCEndsTheWaitAtOnce) {
  Session session(pty::command({LIRKEL_SOUND_OFF_PROGRAM}));
  ASSERT_TRUE(session.waitDrawn(restoreCursor, 5000));
  const double typedAt = session.nowMs();
  session.type("\x03");
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 5000));
  EXPECT_EQ(end.kind, Event::killed);
  EXPECT_EQ(end.code, SIGINT);
  EXPECT_LT(end.atMs - typedAt, 1000);
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
}

TEST(SoundOff, WithoutKeysTheClockIsShownOnceAndTheRunEnds) {
  Options options = pty::command({LIRKEL_SOUND_OFF_PROGRAM});
  options.stdinFromNull = true;
  Session session(options);
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 5000));
  EXPECT_EQ(end.kind, Event::exited);
  EXPECT_EQ(end.code, 0);
  EXPECT_TRUE(session.waitDrawn(restoreCursor, 1000)) << "the clock still reaches the screen";
}

}  // namespace
