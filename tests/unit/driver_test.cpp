// Start-up, the joined argument, identity texts and the dispatcher.
#include <gtest/gtest.h>

#include "driver/identity.h"
#include "driver/play_argument.h"
#include "driver/program.h"
#include "world.h"

class Driver : public FreshProcess {};

TEST_F(Driver, EveryArgumentIsFollowedByOneBlank) {
  EXPECT_EQ(joinArguments({"G3", "EGE"}), "G3 EGE ");
  EXPECT_EQ(joinArguments({"two words"}), "two words ");
  EXPECT_EQ(joinArguments({}), "");
}

// The cut is said on standard error, with what was left out after it.
TEST_F(Driver, JoinedArgumentIsCutAt255AndTheCutIsSaid) {
  const std::string hundred(100, 'c');
  const ShortText joined = joinArguments({hundred, hundred, hundred});
  EXPECT_EQ(joined.size(), 255u);
  EXPECT_EQ(joined.view(), (hundred + " " + hundred + " " + hundred).substr(0, 255));
  fake::script().arguments = {std::string(250, 'C'), "DEFGAH"};
  EXPECT_EQ(programMain(), 0);
  EXPECT_EQ(tones().size(), 254u);  // the blank after the first argument is the 251st
  EXPECT_EQ(fake::errors(),
            "lirkel: the text is longer than 255 characters; it is cut after character 255, "
            "before \"AH? \"\n");
  freshProcess();
  fake::script().arguments = {std::string(255, 'C')};  // only the joining blank is cut
  EXPECT_EQ(programMain(), 0);
  EXPECT_EQ(fake::errors(), "");
}

TEST_F(Driver, IdentityTexts) {
  buildIdentityText();
  fake::script().arguments = {"C"};
  EXPECT_EQ(programMain(), 0);
  EXPECT_EQ(ModuleName, "LIRKEL32");
  ASSERT_EQ(BuildDate.size(), 7u);
  EXPECT_EQ(BuildDate.at(1), ' ');
  const std::string identity(IdentityText.view());
  EXPECT_EQ(identity.front(), ' ');
  EXPECT_NE(identity.find("CC"), std::string::npos);
  EXPECT_EQ(identity.substr(identity.size() - 14), " X86FPUmidiW32");
  const std::string full = " 2010" + std::string(BuildDate.view()) + identity;
  EXPECT_EQ(VersionText.view(), full.substr(0, 48));
}

TEST_F(Driver, TuneWithoutMidiDevicePlaysAsTonesWithNoMessage) {
  fake::script().arguments = {"G3", "EGEGE"};
  EXPECT_EQ(programMain(), 0);
  EXPECT_EQ(tones().size(), 6u);
  EXPECT_TRUE(fake::callsNamed("openMidiOutput").empty());
  EXPECT_EQ(fake::output(), "");
}

TEST_F(Driver, MidiThatCannotOpenWritesOneLineOnStandardErrorThenPlaysTones) {
  fake::script().arguments = {"CDE"};
  sound::recorder::script().midiDevices = 1;
  sound::recorder::script().midiOpenError = 4;
  EXPECT_EQ(programMain(), 0);
  EXPECT_EQ(fake::output(), "");
  EXPECT_EQ(fake::errors(), "lirkel: MIDI error 4.\n");
  EXPECT_EQ(tones().size(), 3u);
  EXPECT_TRUE(midiMessages().empty());
}

TEST_F(Driver, MidiTuneOpensWithTheOrganAndCloses) {
  fake::script().arguments = {"C"};
  sound::recorder::script().midiDevices = 1;
  EXPECT_EQ(programMain(), 0);
  const std::vector<std::int64_t> messages = midiMessages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0], 0x10C0);
  EXPECT_EQ(fake::callsNamed("closeMidiOutput").size(), 1u);
  EXPECT_EQ(platform::exitHook(), nullptr);
  EXPECT_FALSE(midiOutState.available);
}

TEST_F(Driver, AKeyCutsTheTuneAtOnceMidNoteWhereItsOwnEndLetsItRingOut) {
  for (const bool midi : {true, false}) {
    freshProcess();
    sound::recorder::script().midiDevices = midi ? 1 : 0;
    fake::script().arguments = {"Z20C0"};  // one note of 2 s
    EXPECT_EQ(programMain(), 0);
    EXPECT_TRUE(fake::callsNamed(midi ? "allSoundOff" : "stopTones").empty());

    freshProcess();
    sound::recorder::script().midiDevices = midi ? 1 : 0;
    fake::script().arguments = {"Z20C0C0"};
    fake::script().keys.push_back({'x', true, -1, 300});
    EXPECT_EQ(programMain(), 0);
    const std::vector<fake::Call> cut = fake::callsNamed(midi ? "allSoundOff" : "stopTones");
    ASSERT_EQ(cut.size(), 1u) << midi;
    EXPECT_EQ(cut[0].atMs, 300) << midi;  // at the key, not at the end of its note
  }
}

TEST_F(Driver, ExitHookClosesMidiWhenTheProcessEndsMidTune) {
  sound::recorder::script().midiDevices = 1;
  ASSERT_TRUE(openSound());
  startConsole();
  fake::endProcess();
  const auto& calls = fake::calls();
  auto position = [&](const char* name) {
    for (std::size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].name == name) return i;
    }
    return calls.size();
  };
  EXPECT_LT(position("closeMidiOutput"), position("consoleStopInput"));
  EXPECT_LT(position("consoleStopInput"), calls.size());
  EXPECT_EQ(platform::exitHook(), nullptr);
}

TEST_F(Driver, CloseSoundWithoutMidiCallsNothingAndRestoresTheHook) {
  static bool earlierHookRan = false;
  platform::setExitHook([] { earlierHookRan = true; });
  EXPECT_FALSE(openSound());
  fake::calls().clear();
  closeSound();
  EXPECT_TRUE(fake::calls().empty());
  fake::endProcess();
  EXPECT_TRUE(earlierHookRan);
}

TEST_F(Driver, SoundOffGivesOneSignalToneAndTheClock) {
  fake::script().keys.push_back({'x', true, -1, 90'000});
  EXPECT_EQ(signalAndClock(), 'x');
  EXPECT_EQ(tones(), (std::vector<std::pair<std::int64_t, std::int64_t>>{{400, 400}}));
  EXPECT_FALSE(fake::callsNamed("consoleWriteAt").empty());
  EXPECT_TRUE(fake::callsNamed("midiDevices").empty());
}

TEST_F(Driver, HelpAndListingOpenNoSoundAtAll) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, {"?"}, {"L"}, {"l"}, {"--help"}, {"--version"}}) {
    freshProcess();
    sound::recorder::script().midiDevices = 1;
    sound::recorder::script().midiOpenError = 4;  // a device that would say it failed
    fake::script().terminal = false;
    fake::script().arguments = arguments;
    EXPECT_EQ(programMain(), 0);
    EXPECT_TRUE(fake::callsNamed("midiDevices").empty()) << ::testing::PrintToString(arguments);
    EXPECT_TRUE(fake::callsNamed("tone").empty()) << ::testing::PrintToString(arguments);
    EXPECT_EQ(fake::output().find("MIDI error"), std::string::npos);
    EXPECT_FALSE(fake::output().empty());
  }
}
