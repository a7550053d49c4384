// The switches a Linux tool answers: --help and -h write the help text of
// "?", --version one line; neither touches the sound, and only an argument
// that is exactly one of them counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/identity.h"
#include "driver/program.h"
#include "world.h"

namespace {

// What one run of the program writes, on a machine with a synthesizer.
std::string outputOfRun(std::vector<std::string> arguments) {
  freshProcess();
  buildIdentityText();
  sound::recorder::script().midiDevices = 1;
  fake::script().arguments = std::move(arguments);
  EXPECT_EQ(programMain(), 0);
  return fake::output();
}

bool soundWasTouched() {
  return !fake::callsNamed("openMidiOutput").empty() || !fake::callsNamed("tone").empty();
}

}  // namespace

TEST(StandardSwitches, HelpAndShortHelpWriteTheHelpOfTheQuestionMarkAndTheSwitches) {
  const std::string help = outputOfRun({"?"});
  ASSERT_EQ(help.rfind("# grenmyrsbolag # LIRKEL32 2010", 0), 0u) << help;
  EXPECT_EQ(help.find("--export"), std::string::npos);
  for (const char* name : {"--help", "-h"}) {
    const std::string longHelp = outputOfRun({name});
    EXPECT_EQ(longHelp.rfind(help, 0), 0u) << name;
    EXPECT_NE(longHelp.find("\n  --export FIL L\xC5T  skriver", help.size()), std::string::npos);
    EXPECT_FALSE(soundWasTouched()) << name;
  }
}

TEST(StandardSwitches, VersionIsOneLineWithModuleNameAndVersionText) {
  const std::string version = outputOfRun({"--version"});
  EXPECT_FALSE(soundWasTouched());
  EXPECT_EQ(version, "LIRKEL32" + VersionText.str() + " lirkel " + LIRKEL_PACKAGE_VERSION + "\n");
  EXPECT_EQ(version.rfind("LIRKEL32 2010" + BuildDate.str() + " ", 0), 0u) << version;
}

TEST(StandardSwitches, AnythingMoreIsTitleSearchAndNoteTextAsBefore) {
  // "-h C" is note text: the "-" is skipped, H and C are notes.
  EXPECT_EQ(outputOfRun({"-h", "C"}).find("grenmyrsbolag"), std::string::npos);
  EXPECT_EQ(midiMessages().size(), 1u + 2u * 2u);  // organ, then on and off for H and C
  EXPECT_EQ(outputOfRun({"--version", "x"}).find("LIRKEL32"), std::string::npos);
  EXPECT_EQ(outputOfRun({"--HELP"}).find("grenmyrsbolag"), std::string::npos);
}
