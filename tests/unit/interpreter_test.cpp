// The note language, played through the fake machine.
#include "player/interpreter.h"
#include "player/number.h"

#include <gtest/gtest.h>

#include "world.h"

using Tones = std::vector<std::pair<std::int64_t, std::int64_t>>;

class Speaker : public FreshProcess {
 protected:
  unsigned char play(const char* text) { return playNotationSpeaker(true, ShortText(text)); }
};

class Midi : public FreshProcess {
 protected:
  void SetUp() override {
    FreshProcess::SetUp();
    withMidiOpen();
  }
  unsigned char play(const char* text) { return playNotationMidi(true, ShortText(text)); }
};

std::int64_t noteOn(int note) { return 0x90 | (note << 8) | (127 << 16); }
std::int64_t noteOff(int note) { return 0x80 | (note << 8) | (127 << 16); }

TEST_F(Speaker, FirstTuneOfTheHelpText) {
  EXPECT_EQ(play("G3EGEGE"), 0);
  EXPECT_EQ(tones(),
            (Tones{{392, 128}, {329, 128}, {392, 128}, {329, 128}, {392, 128}, {329, 128}}));
  EXPECT_EQ(fake::nowMs(), 6 * 128);
}

TEST_F(Midi, FirstTuneOfTheHelpText) {
  play("G3EGEGE");
  std::vector<std::int64_t> expected;
  for (int note : {67, 64, 67, 64, 67, 64}) {
    expected.push_back(noteOn(note));
    expected.push_back(noteOff(note));
  }
  EXPECT_EQ(midiMessages(), expected);
  EXPECT_EQ(sleeps(), std::vector<std::int64_t>(6, 128));
}

// An output that renders its own sound queues it 60 ms ahead: it takes
// every message that early, told when the message is due, so the rhythm it
// plays is the tune's exactly. The first note starts the tune where it is.
TEST_F(Midi, AnOutputThatQueuesAheadTakesEachMessageEarlyWithItsTime) {
  sound::recorder::script().midiLeadMs = 60;
  const std::size_t before = sound::recorder::sentMessages().size();
  const std::int64_t start = fake::nowMs();
  play("Z10C2D2_2I005E2");
  std::vector<std::pair<std::int64_t, std::int64_t>> taken;  // (at, due) from the start
  const auto& sent = sound::recorder::sentMessages();
  for (std::size_t i = before; i < sent.size(); ++i) {
    taken.emplace_back(sent[i].atMs - start, sent[i].dueMs - start);
  }
  EXPECT_EQ(taken, (std::vector<std::pair<std::int64_t, std::int64_t>>{
                       {0, 0}, {190, 250},     // C
                       {190, 250}, {440, 500},  // D, then a rest
                       {690, 750},              // the program change
                       {690, 750}, {940, 1000}}));  // E
}

TEST_F(Speaker, DefaultsAreRowFourAndHalfNotes) {
  play("AC");
  EXPECT_EQ(tones(), (Tones{{440, 512}, {261, 512}}));
}

TEST_F(Speaker, SharpsGoToTheNextNoteEvenAcrossARest) {
  play("#F");
  play("F#G");
  play("#_F");
  EXPECT_EQ(tones(), (Tones{{370, 512}, {349, 512}, {415, 512}, {370, 512}}));
  EXPECT_EQ(sleeps(), std::vector<std::int64_t>{512});
}

TEST_F(Speaker, SharpOnTheTopNoteIsTheNextC) {
  play("#H");
  play("XK#B");
  EXPECT_EQ(tones(), (Tones{{523, 512}, {4186, 512}}));
}

TEST_F(Midi, SharpOnTheTopNoteIsTheNextC) {
  play("XK#H");
  EXPECT_EQ(midiMessages(), (std::vector<std::int64_t>{noteOn(108), noteOff(108)}));
}

TEST_F(Speaker, DottedNoteIsTwoTonesAndDottedRestTwoWaits) {
  play(".C2");
  play("._3");
  EXPECT_EQ(tones(), (Tones{{261, 256}, {261, 128}}));
  EXPECT_EQ(sleeps(), (std::vector<std::int64_t>{128, 64}));
}

TEST_F(Midi, DottedNoteIsOneLongNoteAndDottedRestOneWait) {
  play(".C2._3");
  EXPECT_EQ(sleeps(), (std::vector<std::int64_t>{384, 192}));
}

TEST_F(Speaker, DurationDigitStaysAndStrayDigitsAreIgnored) {
  play("C0 5 D E9");
  EXPECT_EQ(tones(), (Tones{{261, 1024}, {293, 1024}, {329, 2}}));
}

TEST_F(Speaker, OctaveToken) {
  play("XKA");
  play("XkA");  // lower case: the octave stays, the k is consumed
  play("XZ5A");
  play("XHA");
  play("AX");  // X last on the line changes nothing
  play("A");
  EXPECT_EQ(tones(),
            (Tones{{3520, 512}, {3520, 512}, {3520, 512}, {440, 512}, {440, 512}, {440, 512}}));
}

struct TempoCase {
  const char* text;
  std::int64_t length;
};

class Tempo : public Speaker, public ::testing::WithParamInterface<TempoCase> {};

TEST_P(Tempo, WholeNoteFromTheOperand) {
  play(GetParam().text);
  ASSERT_FALSE(tones().empty());
  EXPECT_EQ(tones().back().second, GetParam().length) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Operands, Tempo,
                         ::testing::Values(TempoCase{"Z10C0", 1000}, TempoCase{"C0Z5", 1024},
                                           TempoCase{"Z$FC0", 1500}, TempoCase{"Z 5C0", 500},
                                           TempoCase{"Z5 C0", 1024}, TempoCase{"ZABC0", 1024},
                                           TempoCase{"Z-5C0", 1024}, TempoCase{"Z+5C0", 500},
                                           TempoCase{"Zx9C0", 900}, TempoCase{"Z00C0", 0},
                                           TempoCase{"Z99C0", 9900}));

TEST_F(Speaker, TempoAtTheEndOfTheLine) {
  play("Z5");
  EXPECT_EQ(playerState.wholeNoteMs, 500);
  play("Z");
  EXPECT_EQ(playerState.wholeNoteMs, 1024);
}

TEST_F(Speaker, TempoOperandIsConsumedNotPlayed) {
  play("ZAB");
  EXPECT_TRUE(tones().empty());
}

TEST_F(Midi, InstrumentToken) {
  play("I025");
  play("I$7F");
  play("I128");
  play("I-01");
  play("_0I");  // an operand cut short by the end of the line
  play("I2x");
  EXPECT_EQ(midiMessages(), (std::vector<std::int64_t>{0xC0 | 25 << 8, 0xC0 | 127 << 8}));
}

TEST_F(Speaker, InstrumentTokenIsSkippedWithItsOperand) {
  play("I025C");
  EXPECT_EQ(tones(), (Tones{{261, 512}}));
}

TEST_F(Speaker, TitlesAndLyrics) {
  play("\"Song\"C<one>D<two.>E<>F<three>");
  EXPECT_EQ(fake::output(), "\n\"Song\"\none two. \n three ");
  EXPECT_EQ(tones().size(), 4u);
}

TEST_F(Speaker, NothingIsWrittenWithoutEcho) {
  playNotationSpeaker(false, "\"Song\"C<one.>D");
  EXPECT_EQ(fake::output(), "");
  EXPECT_EQ(tones().size(), 2u);
}

TEST_F(Speaker, EndMarkInsideTextIsText) {
  play("<Hey!>C\"Go!\"D!E");
  EXPECT_EQ(tones(), (Tones{{261, 512}, {293, 512}}));
  EXPECT_EQ(fake::output(), "Hey! \n\"Go!\"\n");
}

TEST_F(Speaker, UnclosedTitleOrLyricSkipsTheRestOfTheLine) {
  play("C<oops!D");
  play("C\"oops D");
  EXPECT_EQ(tones(), (Tones{{261, 512}, {261, 512}}));
  EXPECT_EQ(fake::output(), "");
}

TEST_F(Speaker, LowerCaseAndFoldedAccentsPlay) {
  play(
      "c\xE0"
      "b");  // c, à (A), b (H)
  EXPECT_EQ(tones(), (Tones{{261, 512}, {440, 512}, {493, 512}}));
}

TEST_F(Speaker, KeyDuringALongNoteStopsTheTuneAfterIt) {
  fake::script().keys.push_back({'q', true, -1, 100});
  EXPECT_EQ(play("C0DE"), 'q');
  EXPECT_EQ(tones(), (Tones{{261, 1024}}));
}

TEST_F(Speaker, KeyReleaseAndKeysWithoutCharacterDoNotStop) {
  fake::script().keys.push_back({'q', false, 0, -1});
  fake::script().keys.push_back({0, true, 0, -1});
  EXPECT_EQ(play("CDE"), 0);
  EXPECT_EQ(tones().size(), 3u);
}

TEST_F(Midi, KeysPressedBeforeTheTuneAreDrained) {
  fake::script().keys.push_back({'x', true, 0, -1});
  EXPECT_EQ(play("CD"), 0);
  EXPECT_EQ(midiMessages().size(), 4u);
}

TEST_F(Midi, KeyAfterNTokensIsAnswered) {
  // One read drains, then one read after each token: the key comes after
  // the second note.
  fake::script().keys.push_back({'k', true, 3, -1});
  EXPECT_EQ(play("CDEF"), 'k');
  EXPECT_EQ(midiMessages().size(), 4u);
}

TEST_F(Midi, FailingNotesWriteOneLinePerMessageAndKeepTime) {
  sound::recorder::script().noteOnError = 7;
  sound::recorder::script().noteOffError = 7;
  play("C2D2");
  EXPECT_EQ(fake::errors(), "lirkel: MIDI error 7.\nlirkel: MIDI error 7.\nlirkel: MIDI error 7.\n"
                             "lirkel: MIDI error 7.\n");
  EXPECT_EQ(sleeps(), (std::vector<std::int64_t>{256, 256}));
}

TEST_F(Speaker, TempoOctaveAndLengthCarryOverBetweenTunes) {
  play("Z20XJC3");
  play("C");
  EXPECT_EQ(tones(), (Tones{{1046, 250}, {1046, 250}}));
}

TEST(ConvertNumber, SignsPrefixesAndFailures) {
  long v = 0;
  EXPECT_TRUE(convertNumber("12", v));
  EXPECT_EQ(v, 12);
  EXPECT_TRUE(convertNumber("  -7", v));
  EXPECT_EQ(v, -7);
  EXPECT_TRUE(convertNumber("0x1f", v));
  EXPECT_EQ(v, 31);
  EXPECT_TRUE(convertNumber("$Ab", v));
  EXPECT_EQ(v, 171);
  EXPECT_TRUE(convertNumber("X10", v));
  EXPECT_EQ(v, 16);
  for (const char* bad : {"", "  ", "+", "-", "$", "0x", "1 ", "1a", "a1", "--1", "1.5"}) {
    EXPECT_FALSE(convertNumber(bad, v)) << '"' << bad << '"';
  }
}
