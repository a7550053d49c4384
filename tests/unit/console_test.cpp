// The console layer over the fake machine: the clock, writing at a position,
// the key test and the waits built on it.
#include <gtest/gtest.h>

#include "world.h"

namespace {

class Console : public FreshProcess {
 protected:
  void SetUp() override {
    FreshProcess::SetUp();
    fake::script().screenInfo = {99, 29, 5, 7};  // a 100 x 30 window, cursor at column 5, row 7
    startConsole();
    fake::calls().clear();
  }
};

// (text, column, row) of every write at a position, in order.
std::vector<std::tuple<std::string, std::int64_t, std::int64_t>> writesAt() {
  std::vector<std::tuple<std::string, std::int64_t, std::int64_t>> result;
  for (const fake::Call& call : fake::callsNamed("consoleWriteAt")) {
    result.emplace_back(call.text, call.args[0], call.args[1]);
  }
  return result;
}

fake::KeyPress keyNow(unsigned char character, bool keyDown = true) {
  return {character, keyDown, 0, -1};
}

TEST_F(Console, TheClockDrawsOnlyWhenItsMinuteChanges) {
  fake::script().time = {2026, 3, 7, 9, 5};
  showClock();  // the first call after start-up always draws
  showClock();  // same minute: nothing
  fake::script().time = {2026, 3, 7, 9, 6};
  showClock();
  fake::script().time = {2026, 3, 7, 10, 6};  // an hour later, same minute
  showClock();
  fake::script().time = {2027, 1, 1, 0, 0};
  showClock();
  using Write = std::tuple<std::string, std::int64_t, std::int64_t>;
  EXPECT_EQ(writesAt(), (std::vector<Write>{{"2026-03-07 09:05", 83, 7},
                                            {"2026-03-07 09:06", 83, 7},
                                            {"2027-01-01 00:00", 83, 7}}));
}

TEST_F(Console, TheClockFollowsTheWindowAndTheCursorRow) {
  showClock();
  fake::script().screenInfo = {39, 9, 0, 3};
  fake::script().time.minute += 1;
  showClock();
  const auto writes = writesAt();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(std::get<1>(writes[1]), 23);
  EXPECT_EQ(std::get<2>(writes[1]), 3);
}

TEST_F(Console, WriteAtLeavesTheCursorWhereItWas) {
  std::int32_t column = -1, row = -1;
  writeAt("here", 10, 2);
  cursorPosition(column, row);
  EXPECT_EQ(column, 5);
  EXPECT_EQ(row, 7);
  ASSERT_EQ(fake::calls().size(), 1u) << "no separate cursor moves that could leave it elsewhere";
  EXPECT_EQ(fake::calls()[0].name, "consoleWriteAt");
  EXPECT_EQ(fake::calls()[0].text, "here");
}

TEST_F(Console, WithoutAScreenTheWindowIsEightyByTwentyFive) {
  freshProcess();
  fake::script().screen = false;
  startConsole();
  EXPECT_EQ(windowRight(), 79);
  EXPECT_EQ(windowBottom(), 24);
  EXPECT_EQ(cursorRow(), 0);
}

TEST_F(Console, PollKeyTakesOneEventPerCall) {
  auto& keys = fake::script().keys;
  keys.push_back(keyNow('a'));
  keys.push_back(keyNow('a', false));  // a release answers 0 and is used up
  keys.push_back(keyNow(0));           // a key without a character
  keys.push_back(keyNow(13));
  keys.push_back(keyNow(27));
  keys.push_back(keyNow(228));
  std::vector<int> answers;
  for (int i = 0; i < 7; ++i) answers.push_back(checkKey());
  EXPECT_EQ(answers, (std::vector<int>{'a', 0, 0, 13, 27, 228, 0}));
  EXPECT_TRUE(keys.empty());
}

TEST_F(Console, StartUpDropsPendingKeysAndShutDownPutsTheModeBack) {
  freshProcess();
  fake::script().keys.push_back(keyNow('x'));
  fake::script().keys.push_back(keyNow('y'));
  startConsole();
  EXPECT_EQ(consoleState.lastClockMinute, 61);
  EXPECT_EQ(pollKey(), 0);
  fake::endProcess();
  EXPECT_EQ(fake::callsNamed("consoleStopInput").size(), 1u);
  EXPECT_EQ(fake::callsNamed("consoleCloseScreen").size(), 1u);
}

TEST_F(Console, TheClockWaitSleepsUntilTheNextMinute) {
  fake::script().time.second = 45;
  fake::script().keys.push_back({'k', true, -1, 20'000});
  EXPECT_EQ(waitKeyShowingClock(), 'k');
  const auto waits = fake::callsNamed("consoleWaitInput");
  ASSERT_FALSE(waits.empty());
  EXPECT_EQ(waits[0].args[0], 15'000);
  EXPECT_EQ(writesAt().size(), 1u);
}

TEST_F(Console, TheClockWaitNeverAnswersZero) {
  auto& keys = fake::script().keys;
  keys.push_back({0, true, -1, 1'000});  // an arrow key
  keys.push_back({'a', false, -1, 2'000});
  keys.push_back({' ', true, -1, 3'000});
  EXPECT_EQ(waitKeyShowingClock(), ' ');
  EXPECT_EQ(fake::nowMs(), 3'000);
}

TEST_F(Console, WithoutKeysTheWaitsEndAtOnce) {
  fake::script().terminal = false;
  EXPECT_FALSE(keysCanArrive());
  EXPECT_EQ(waitForKey(), 0);
  EXPECT_EQ(waitKeyShowingClock(), 13);
  EXPECT_EQ(writesAt().size(), 1u) << "the clock is still shown once";
  EXPECT_EQ(fake::nowMs(), 0);
}

TEST_F(Console, WaitForKeySkipsKeysWithoutACharacter) {
  auto& keys = fake::script().keys;
  keys.push_back({0, true, -1, 500});
  keys.push_back({'q', true, -1, 900});
  EXPECT_EQ(waitForKey(), 'q');
  EXPECT_EQ(fake::nowMs(), 900);
}

TEST_F(Console, TextGoesToStandardOutput) {
  writeText("la ");
  writeTextLine("");
  writeTextLine("end");
  EXPECT_EQ(fake::output(), "la \nend\n");
}

}  // namespace
