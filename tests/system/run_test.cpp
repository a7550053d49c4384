// lirkel --run on a real (pseudo-)terminal: the command is the terminal's
// while it runs (its keys, its Ctrl+C, the terminal's mode untouched), and
// a command the user stops with Ctrl+C ends lirkel by the same signal at
// once, with nothing played.
#include <gtest/gtest.h>

#include <csignal>

#include "pty_session.h"

namespace {

using pty::Event;
using pty::Session;

}  // namespace

TEST(RunningACommand, CtrlCReachesTheCommandAndEndsLirkelAtOnceWithNothingPlayed) {
  // The shell execs sleep: a shell between two commands may hold Ctrl+C
  // back until the next one has ended.
  Session session(pty::command({LIRKEL_PROGRAM, "--run", "sh", "-c", "echo started; exec sleep 5"}));
  ASSERT_TRUE(session.waitDrawn("started", 5000));
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore)) << "the mode changed under the command";
  const double typed = session.nowMs();
  session.type("\x03");
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 8000));
  EXPECT_EQ(end.kind, Event::killed);
  EXPECT_EQ(end.code, SIGINT);  // the shell reports 130
  // The failure tune alone would take a second.
  EXPECT_LT(end.atMs - typed, 400) << "it ended " << end.atMs - typed << " ms after Ctrl+C";
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
}

TEST(RunningACommand, TheCommandReadsTheKeysTypedAtTheTerminal) {
  Session session(pty::command({LIRKEL_PROGRAM, "--run", "--on-failure", "", "sh", "-c",
                                "echo ask; read answer; echo \"got $answer\"; exit 3"}));
  ASSERT_TRUE(session.waitDrawn("ask", 5000));
  session.type("yes\r");
  ASSERT_TRUE(session.waitDrawn("got yes", 5000));
  Event end;
  ASSERT_TRUE(session.waitEnd(end, 8000));
  EXPECT_EQ(end.kind, Event::exited);
  EXPECT_EQ(end.code, 3);
  EXPECT_TRUE(pty::sameMode(session.mode(), session.modeBefore));
}
