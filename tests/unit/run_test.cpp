// lirkel --run over the fake machine: the command runs before anything of
// the console or the sound is touched; then one tune, for success or for
// failure, chosen by switch, variable or default, unless the user stopped
// the command or it was quicker than --if-longer; the status is the
// command's.
#include <gtest/gtest.h>

#include <numeric>

#include "world.h"

namespace {

class Run : public FreshProcess {
 protected:
  // Runs lirkel with the arguments, the command ending as given.
  int run(std::vector<std::string> arguments, int status = 0, std::int64_t elapsedMs = 10) {
    fake::script().arguments = std::move(arguments);
    fake::script().terminal = false;
    fake::script().commandEnd.status = status;
    fake::script().commandEnd.elapsedMs = elapsedMs;
    return programMain();
  }
};

std::vector<std::int64_t> pitches() {
  std::vector<std::int64_t> result;
  for (const auto& [frequency, length] : tones()) result.push_back(frequency);
  return result;
}

std::int64_t tuneMs() {
  std::int64_t total = 0;
  for (const auto& [frequency, length] : tones()) total += length;
  for (std::int64_t rest : sleeps()) total += rest;
  return total;
}

}  // namespace

TEST_F(Run, SuccessRisesFailureFallsEachUnderTwoSecondsAfterTheCommandAndTheStatusIsKept) {
  EXPECT_EQ(run({"--run", "make", "-j2"}), 0);
  ASSERT_EQ(fake::callsNamed("runCommand").size(), 1u);
  EXPECT_EQ(fake::callsNamed("runCommand")[0].text, "make\n-j2\n");
  const std::vector<std::int64_t> success = pitches();
  ASSERT_GE(success.size(), 3u);
  EXPECT_TRUE(std::is_sorted(success.begin(), success.end(), std::less_equal<>())) << success.size();
  EXPECT_LT(tuneMs(), 2000);
  // Nothing of the console or the sound before the command has ended.
  EXPECT_EQ(fake::calls().front().name, "runCommand");

  freshProcess();
  EXPECT_EQ(run({"--run", "make"}, 2), 2);
  const std::vector<std::int64_t> failure = pitches();
  ASSERT_GE(failure.size(), 3u);
  EXPECT_TRUE(std::is_sorted(failure.rbegin(), failure.rend(), std::less_equal<>()));
  EXPECT_LT(failure.back(), success.front());  // it ends below where success begins
  EXPECT_LT(tuneMs(), 2000);
  EXPECT_EQ(fake::errors(), "");
}

TEST_F(Run, NothingPlaysAfterAnInterruptOrAQuickCommandUnderIfLonger) {
  fake::script().commandEnd.interrupted = true;
  EXPECT_EQ(run({"--run", "make"}, 130), 130);
  EXPECT_TRUE(tones().empty());
  EXPECT_TRUE(fake::callsNamed("consoleStartInput").empty());

  freshProcess();
  EXPECT_EQ(run({"--run", "--if-longer", "2", "make"}, 1, 1999), 1);
  EXPECT_TRUE(tones().empty());
  freshProcess();
  EXPECT_EQ(run({"--run", "--if-longer", "2", "make"}, 1, 2000), 1);
  EXPECT_FALSE(tones().empty());
}

TEST_F(Run, ACommandThatCannotStartIsOneLineAndAFailure) {
  fake::script().commandEnd.started = false;
  fake::script().commandEnd.problem = "No such file or directory";
  EXPECT_EQ(run({"--run", "mkae", "all"}, 127), 127);
  EXPECT_EQ(fake::errors(), "lirkel: cannot run 'mkae': No such file or directory\n");
  EXPECT_FALSE(tones().empty());
}

TEST_F(Run, TheSwitchBeatsTheVariableWhichBeatsTheDefault) {
  fake::script().environment["LIRKEL_ON_SUCCESS"] = "C";
  EXPECT_EQ(run({"--run", "true"}), 0);
  EXPECT_EQ(tones().size(), 1u);
  fake::script().environment["LIRKEL_ON_SUCCESS"] = "C";
  EXPECT_EQ(run({"--run", "--on-success", "DE", "true"}), 0);
  EXPECT_EQ(tones().size(), 1u + 2u);
  // An empty switch plays nothing; an empty variable is no variable.
  fake::script().environment["LIRKEL_ON_FAILURE"] = "";
  EXPECT_EQ(run({"--run", "--on-success=", "true"}), 0);
  EXPECT_EQ(tones().size(), 3u);
  EXPECT_EQ(run({"--run", "false"}, 1), 1);
  EXPECT_GT(tones().size(), 3u);
}

TEST_F(Run, ATuneThatIsNoTuneIsAUsageErrorBeforeTheCommandRuns) {
  for (const auto& [arguments, variable] :
       std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--run", "--on-failure", "?", "make"}, ""},
           {{"--run", "--on-success", "L", "make"}, ""},
           {{"--run", "make"}, "?"}}) {
    freshProcess();
    fake::script().environment["LIRKEL_ON_FAILURE"] = variable;
    EXPECT_EQ(run(arguments), 2);
    EXPECT_NE(fake::errors().find("needs a tune"), std::string::npos) << fake::errors();
    EXPECT_TRUE(fake::callsNamed("runCommand").empty());
  }
}
