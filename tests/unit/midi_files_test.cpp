// MIDI files: where they are looked for, how one is played until a key, and
// what each failure leaves behind. Names used here match no known title.
#include "midi/midi_files.h"

#include <gtest/gtest.h>

#include <set>

#include "player/interpreter.h"
#include "world.h"

namespace {

std::vector<std::string> pathsTested() {
  std::vector<std::string> paths;
  for (const fake::Call& call : fake::callsNamed("fileExists")) paths.push_back(call.text);
  return paths;
}

// The names of the calls of the MIDI output and the file player, in order.
std::vector<std::string> deviceCalls() {
  static const std::set<std::string> soundCalls = {
      "midiDevices",  "openMidiOutput", "closeMidiOutput", "allSoundOff",  "noteOn",
      "noteOff",      "programChange",  "openMidiFile",    "startMidiFile", "stopMidiFile"};
  std::vector<std::string> names;
  for (const fake::Call& call : fake::calls()) {
    if (soundCalls.count(call.name) > 0) names.push_back(call.name);
  }
  return names;
}

void keyAt(std::int64_t atMs, unsigned char character) {
  fake::script().keys.push_back({character, true, -1, atMs});
}

}  // namespace

class MidiFileLookup : public FreshProcess {};

TEST_F(MidiFileLookup, FourPlacesInOrderAndNothingWhenNoneExists) {
  withMidiOpen();
  EXPECT_EQ(findAndPlayMidiFile("qz"), nothingPlayed);
  EXPECT_EQ(pathsTested(),
            (std::vector<std::string>{"qz.mid", "midi/qz.mid", "/opt/lirkel/bin/midi/qz.mid",
                                      "/opt/lirkel/share/lirkel/midi/qz.mid"}));
  EXPECT_EQ(fake::output(), "");
  EXPECT_TRUE(deviceCalls().empty());  // the MIDI-out connection was not lent
}

TEST_F(MidiFileLookup, TheFirstPlaceThatHoldsTheFileWinsAndLaterOnesAreNotTested) {
  withMidiOpen();
  fake::script().existingFiles = {"midi/qz.mid", "/opt/lirkel/share/lirkel/midi/qz.mid"};
  keyAt(10, 'k');
  EXPECT_EQ(findAndPlayMidiFile("qz"), 'k');
  EXPECT_EQ(pathsTested(), (std::vector<std::string>{"qz.mid", "midi/qz.mid"}));
  EXPECT_EQ(fake::callsNamed("openMidiFile").at(0).text, "midi/qz.mid");

  freshProcess();
  withMidiOpen();
  fake::script().existingFiles = {"/opt/lirkel/share/lirkel/midi/qz.mid"};
  keyAt(10, 'k');
  EXPECT_EQ(findAndPlayMidiFile("qz"), 'k');
  EXPECT_EQ(fake::callsNamed("openMidiFile").at(0).text,
            "/opt/lirkel/share/lirkel/midi/qz.mid");
}

TEST_F(MidiFileLookup, TrailingBlanksGoButLeadingAndInnerOnesStayAndMidIsAlwaysAdded) {
  findAndPlayMidiFile(" q z  ");
  EXPECT_EQ(pathsTested().at(0), " q z.mid");
  fake::calls().clear();
  findAndPlayMidiFile("qz.mid");
  EXPECT_EQ(pathsTested().at(0), "qz.mid.mid");
  fake::calls().clear();
  findAndPlayMidiFile("   ");
  EXPECT_EQ(pathsTested().at(0), " .mid");
  fake::calls().clear();
  findAndPlayMidiFile("");
  EXPECT_EQ(pathsTested().at(1), "midi/.mid");
}

TEST_F(MidiFileLookup, AKnownTitleLooksForItsFileAfterWritingTheTitleTwice) {
  withMidiOpen();
  EXPECT_EQ(tryMidiFiles("COME TOGETHER"), nothingPlayed);
  EXPECT_EQ(fake::output(), "\nCOME TOGETHER\n\nCOME TOGETHER\n");
  const std::vector<std::string> paths = pathsTested();
  ASSERT_EQ(paths.size(), 8u);
  EXPECT_EQ(paths.at(0), "cometogh.mid");
  EXPECT_EQ(paths.at(3), "/opt/lirkel/share/lirkel/midi/cometogh.mid");
  EXPECT_EQ(paths.at(4), "COME TOGETHER.mid");  // then the text itself
}

TEST_F(MidiFileLookup, TheTableHasEighteenTitlesWithStemsOfAtMostEightLetters) {
  ASSERT_EQ(midiTitleTable.size(), 18u);
  EXPECT_STREQ(midiTitleTable.front().title, "LIMELIGHT");
  EXPECT_STREQ(midiTitleTable.back().fileStem, "mandolin");
  for (const MidiTitle& row : midiTitleTable) EXPECT_LE(std::string(row.fileStem).size(), 8u);
}

class MidiFilePlayback : public FreshProcess {
 protected:
  void SetUp() override {
    FreshProcess::SetUp();
    withMidiOpen();
    fake::script().existingFiles = {"qz.mid"};
  }
};

TEST_F(MidiFilePlayback, PlaysUntilAKeyWithTheConnectionLentAndReopenedWithTheOrgan) {
  keyAt(1500, 'x');
  EXPECT_EQ(tryMidiFiles("qz"), 'x');
  EXPECT_EQ(fake::output(), "qz.mid\n\navbryt tryck \n");
  EXPECT_EQ(deviceCalls(), (std::vector<std::string>{
                               "allSoundOff", "closeMidiOutput", "openMidiFile", "startMidiFile",
                               "stopMidiFile", "midiDevices", "openMidiOutput", "programChange"}));
  EXPECT_EQ(fake::callsNamed("stopMidiFile").at(0).atMs, 1500);
  EXPECT_EQ(midiMessages(), (std::vector<std::int64_t>{0x10C0}));
  EXPECT_TRUE(midiOutState.available);
  // The prompt shows before the wait starts.
  EXPECT_FALSE(fake::callsNamed("flushStdout").empty());
}

TEST_F(MidiFilePlayback, WithoutATerminalTheWaitEndsWhenTheMusicHasEnded) {
  fake::script().terminal = false;
  sound::recorder::script().fileLengthMs = 5000;
  const unsigned char answer = tryMidiFiles("qz");
  EXPECT_NE(answer, nothingPlayed);
  EXPECT_NE(answer, fileFailed);
  EXPECT_EQ(fake::output(), "qz.mid\n\navbryt tryck \n");
  const std::int64_t closedAt = fake::callsNamed("stopMidiFile").at(0).atMs;
  EXPECT_GE(closedAt, 5000);
  EXPECT_LT(closedAt, 5100);
  // Waited in steps, not in a loop that spins.
  EXPECT_LT(sleeps().size(), 120u);
}

TEST_F(MidiFilePlayback, AKeyOf255CountsAsNothingPlayedAndTheTextIsPlayedAsNotes) {
  fake::script().existingFiles = {"cab.mid"};
  fake::script().arguments = {"cab"};
  keyAt(100, 255);
  playNotationMidi(true, "cab");
  EXPECT_EQ(fake::callsNamed("startMidiFile").size(), 1u);
  std::vector<std::int64_t> noteOns;
  for (std::int64_t message : midiMessages()) {
    if ((message & 0xF0) == 0x90) noteOns.push_back((message >> 8) & 0x7F);
  }
  EXPECT_EQ(noteOns, (std::vector<std::int64_t>{60, 69, 71}));
}

TEST_F(MidiFilePlayback, AFileTheSequencerCannotOpenWritesItsTextAndPlaysNothing) {
  sound::recorder::script().fileOpenError = 12;
  EXPECT_EQ(tryMidiFiles("qz"), fileFailed);
  EXPECT_EQ(fake::errors(), "lirkel: qz.mid: Sequencer error 12.\n");
  EXPECT_TRUE(fake::callsNamed("stopMidiFile").empty());  // nothing was opened
  EXPECT_EQ(fake::callsNamed("openMidiOutput").size(), 1u);
  EXPECT_EQ(pathsTested().size(), 1u);  // no other place is tried
}

TEST_F(MidiFilePlayback, AFailedPortQueryIsSilentAndAFailedPlayWritesItsText) {
  sound::recorder::script().filePortMissing = true;
  EXPECT_EQ(tryMidiFiles("qz"), fileFailed);
  EXPECT_EQ(fake::output() + fake::errors(), "");
  EXPECT_TRUE(fake::callsNamed("startMidiFile").empty());
  EXPECT_EQ(fake::callsNamed("stopMidiFile").size(), 1u);
  EXPECT_EQ(fake::callsNamed("openMidiOutput").size(), 1u);

  fake::calls().clear();
  sound::recorder::script().filePortMissing = false;
  sound::recorder::script().fileStartError = 4;
  EXPECT_EQ(tryMidiFiles("qz"), fileFailed);
  EXPECT_EQ(fake::errors(), "lirkel: qz.mid: Sequencer error 4.\n");
  EXPECT_EQ(fake::callsNamed("stopMidiFile").size(), 1u);
  EXPECT_EQ(fake::callsNamed("openMidiOutput").size(), 1u);
}

TEST_F(MidiFilePlayback, AReopeningThatFailsIsReportedAndLeavesTheConnectionClosed) {
  sound::recorder::script().midiOpenError = 4;
  keyAt(10, 'x');
  EXPECT_EQ(tryMidiFiles("qz"), 'x');
  EXPECT_EQ(fake::output(), "qz.mid\n\navbryt tryck \n");
  EXPECT_EQ(fake::errors(), "lirkel: MIDI error 4.\n");
  EXPECT_FALSE(midiOutState.available);
}
