// The command line as GNU tools read theirs: switches first, "--" ends them,
// a mistake is two lines on standard error and status 2 with nothing
// touched; --help is this program's own English help, --version names the
// package first.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/identity.h"
#include "driver/program.h"
#include "world.h"

namespace {

// One run of the program on a machine with a synthesizer; its status.
int run(std::vector<std::string> arguments) {
  freshProcess();
  buildIdentityText();
  sound::recorder::script().midiDevices = 1;
  fake::script().arguments = std::move(arguments);
  return programMain();
}

bool anythingTouched() {
  return !fake::callsNamed("openMidiOutput").empty() || !fake::callsNamed("tone").empty() ||
         !fake::callsNamed("consoleStartInput").empty() || !fake::callsNamed("runCommand").empty() ||
         !fake::files().empty();
}

}  // namespace

TEST(CommandLine, SwitchesComeFirstAndWhatFollowsIsTheTuneTheFilesOrTheCommand) {
  struct Case {
    std::vector<std::string> arguments;
    Task task;
    std::vector<std::string> operands;
  };
  const std::vector<Case> cases = {
      {{"G3", "EGEGE"}, Task::play, {"G3", "EGEGE"}},
      {{"-"}, Task::play, {"-"}},  // the random song, as ever
      {{"?"}, Task::play, {"?"}},
      {{"C", "-x", "--"}, Task::play, {"C", "-x", "--"}},  // after the tune only "--x" is a switch
      {{"--", "--foo", "-h"}, Task::play, {"--foo", "-h"}},
      {{"-h", "--foo"}, Task::help, {}},  // help answers at once
      {{"--version", "x"}, Task::version, {}},
      {{"--export", "y.mid", "yester", "day"}, Task::exportTune, {"yester", "day"}},
      {{"--export=y.mid", "--", "-"}, Task::exportTune, {"-"}},
      {{"--check", "a.txt", "b.txt"}, Task::check, {"a.txt", "b.txt"}},
      // Everything from the command on is the command's.
      {{"--run", "grep", "-q", "--export", "x"}, Task::run, {"grep", "-q", "--export", "x"}},
      {{"--if-longer", "2.5", "--run", "--on-success", "-", "--", "-x"}, Task::run, {"-x"}},
  };
  for (const Case& c : cases) {
    const CommandLine line = readCommandLine(c.arguments);
    const std::string shown = ::testing::PrintToString(c.arguments);
    EXPECT_EQ(line.usageError, "") << shown;
    EXPECT_EQ(line.task, c.task) << shown;
    EXPECT_EQ(line.operands, c.operands) << shown;
    if (c.task != Task::help && c.task != Task::version) {
      EXPECT_EQ(c.arguments.size() - line.firstOperand, c.operands.size()) << shown;
    }
  }
  const CommandLine run = readCommandLine({"--run", "--on-success=", "--if-longer=2.5", "make"});
  EXPECT_EQ(run.onSuccess, "");
  EXPECT_EQ(run.onFailure, std::nullopt);
  EXPECT_EQ(run.ifLongerMs, 2500);
  EXPECT_EQ(readCommandLine({"--export=y.mid", "C"}).exportFile, "y.mid");
  EXPECT_EQ(secondsAsMs("30"), 30'000);
  EXPECT_EQ(secondsAsMs("0.0015"), 1);
  for (const char* bad : {"", ".5", "-1", "1e3", "2s", "99999999999999"}) {
    EXPECT_EQ(secondsAsMs(bad), std::nullopt) << bad;
  }
}

TEST(StandardSwitches, EveryMistakeIsTwoLinesOnStandardErrorStatusTwoAndTouchesNothing) {
  struct Case {
    std::vector<std::string> arguments;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"--foo"}, "unknown option '--foo'"},
      {{"--exprot", "x.mid", "yesterday"}, "unknown option '--exprot'"},
      {{"--EXPORT", "x.mid", "C"}, "unknown option '--EXPORT'"},
      {{"--helpp"}, "unknown option '--helpp'"},
      {{"-x"}, "unknown option '-x'"},
      {{"--export"}, "option '--export' requires an argument"},
      {{"CDE", "--export", "y.mid"}, "option '--export' after the tune: switches come first"},
      {{"CDE", "--foo=1"}, "unknown option '--foo'"},
      {{"--help=x"}, "option '--help' takes no value"},
      {{"--titles", "x"}, "unexpected argument 'x' after '--titles'"},
      {{"--export", "a.mid", "--check"}, "'--check' cannot be used with '--export'"},
      {{"--on-failure", "-", "C"}, "option '--on-failure' goes with '--run'"},
      {{"--run"}, "option '--run' needs a command to run"},
      {{"--run", "--if-longer", "soon", "make"}, "invalid number of seconds"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.arguments), 2) << c.says;
    const std::string& errors = fake::errors();
    EXPECT_EQ(errors.rfind("lirkel: " + c.says, 0), 0u) << errors;
    EXPECT_EQ(errors.find('\n') + 1, errors.find("Try 'lirkel --help'.\n")) << errors;
    EXPECT_TRUE(errors.ends_with(".\n") && std::count(errors.begin(), errors.end(), '\n') == 2);
    EXPECT_EQ(fake::output(), "");
    EXPECT_FALSE(anythingTouched()) << c.says;
  }
}

TEST(StandardSwitches, HelpIsTheProgramsOwnVersionNamesThePackageFirst) {
  for (const char* name : {"--help", "-h"}) {
    EXPECT_EQ(run({name}), 0);
    const std::string help = fake::output();
    EXPECT_EQ(help.rfind("Usage: lirkel [TUNE...]\n", 0), 0u) << help;
    for (const char* told : {"--export FILE", "--run COMMAND", "--on-success TUNE", "--on-failure",
                             "--if-longer SECONDS", "--check", "--titles", "--version", "'?'",
                             "Exit status", "LIRKEL_SONGS", "/opt/lirkel/share/lirkel/midi/",
                             "man lirkel"}) {
      EXPECT_NE(help.find(told), std::string::npos) << told;
    }
    std::size_t start = 0;
    for (std::size_t end; (end = help.find('\n', start)) != std::string::npos; start = end + 1) {
      EXPECT_LE(end - start, 79u) << help.substr(start, end - start);
    }
    EXPECT_FALSE(anythingTouched());
  }
  // "?" keeps its own help.
  EXPECT_EQ(run({"?"}), 0);
  EXPECT_EQ(fake::output().rfind("# grenmyrsbolag # LIRKEL32 2010", 0), 0u);

  EXPECT_EQ(run({"--version"}), 0);
  EXPECT_EQ(fake::output().substr(0, fake::output().find('\n')),
            std::string("lirkel ") + LIRKEL_PACKAGE_VERSION);
  EXPECT_NE(fake::output().find("\nLIRKEL32" + VersionText.str() + "\n"), std::string::npos);
  EXPECT_FALSE(anythingTouched());
}

TEST(StandardSwitches, AfterTheDoubleDashASwitchIsNoteTextAgain) {
  // "--foo": F is the one note; O is no note and dashes are skipped.
  EXPECT_EQ(run({"--", "--foo"}), 0);
  EXPECT_EQ(midiMessages().size(), 1u + 2u);  // organ, then F on and off
  EXPECT_EQ(fake::errors(), "");
}
