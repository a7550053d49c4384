// The musical shape of the library songs: each plays 10 s to 4 min at its
// tempo, stays within octave rows 2..6, writes no duration digit above 5 and
// fits its lyrics to its notes.
// The songs are read by the song sheet, which plays them through the real
// interpreter; invented songs show that each rule catches what it should.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/lyric_fit.h"
#include "tools/song_sheet.h"
#include "world.h"

namespace {

const std::vector<SongSheet>& librarySongs() {
  static const std::vector<SongSheet> songs = readLibrarySongs();
  return songs;
}

std::vector<SongSheet> inventedSongs(const std::vector<std::string>& lines) {
  return readSongs(
      [&](std::uint16_t n) {
        return n >= 1 && n <= lines.size() ? ShortText(lines[n - 1]) : ShortText();
      },
      static_cast<std::uint16_t>(lines.size()));
}

std::string allOf(const std::vector<std::string>& faults) {
  std::string text;
  for (const std::string& fault : faults) text += fault + "\n";
  return text;
}

}  // namespace

class LibrarySongs : public FreshProcess {};

TEST_F(LibrarySongs, EverySongIsReadExactlyAsThePlayerSoundsIt) {
  ASSERT_FALSE(librarySongs().empty());
  for (const SongSheet& song : librarySongs()) {
    EXPECT_TRUE(song.readingFaults.empty())
        << '"' << song.title << "\" (line " << song.firstLine << "):\n"
        << allOf(song.readingFaults);
    EXPECT_FALSE(song.notes.empty()) << song.title;
  }
}

TEST_F(LibrarySongs, EverySongPlaysBetweenTenSecondsAndFourMinutes) {
  for (const SongSheet& song : librarySongs()) EXPECT_EQ(allOf(playingTimeFaults(song)), "");
}

TEST_F(LibrarySongs, EveryNoteLiesInOctaveRowsTwoToSix) {
  for (const SongSheet& song : librarySongs()) EXPECT_EQ(allOf(rangeFaults(song)), "");
}

TEST_F(LibrarySongs, NoDurationDigitIsAboveFive) {
  for (const SongSheet& song : librarySongs()) EXPECT_EQ(allOf(durationDigitFaults(song)), "");
}

TEST_F(LibrarySongs, EveryLyricLineFitsItsNotes) {
  for (const SongSheet& song : librarySongs()) EXPECT_EQ(allOf(lyricFitFaults(song)), "");
}

class SongSheetRules : public FreshProcess {};

TEST_F(SongSheetRules, NamesEveryNoteWithItsRowAndLengthAcrossLines) {
  const auto songs = inventedSongs({
      "\"Name Check\"Z16XH<sing>#C3 .D2",
      "",
      "_4 XIH1<a word>XG#B0!",
  });
  ASSERT_EQ(songs.size(), 1u);
  const SongSheet& song = songs[0];
  EXPECT_EQ(song.title, "Name Check");
  EXPECT_EQ(song.lastLine, 3);
  std::vector<std::string> seen;
  for (const SheetNote& note : song.notes) {
    seen.push_back(noteName(note.midiNote) + " " + lengthName(note.exponent, note.dotted) + " " +
                   std::to_string(note.ms) + " line " + std::to_string(note.line));
  }
  // A sharp on H is the C of the next row; tempo, row and length carry over
  // the empty line.
  EXPECT_EQ(seen, (std::vector<std::string>{"C#4 1/8 200 line 1", "D4 1/4. 600 line 1",
                                            "_ 1/16 100 line 3", "H5 1/2 800 line 3",
                                            "C4 1/1 1600 line 3"}));
  EXPECT_EQ(song.totalMs, 3300);
  EXPECT_EQ(song.tempos, std::vector<int>{16});
}

TEST_F(SongSheetRules, PlayingTimeCountsTheTempoCarriedToLaterLines) {
  const auto songs = inventedSongs({
      "\"Just Long Enough\"Z20XH C0",  // 2 s whole notes from here on
      "C0 C0 C0 C0!",
      "",
      "\"Just Too Short\"Z20XH C0C0C0C0 C1_3!",
      "",
      "\"Far Too Long\"Z40XH C0" + std::string(60, 'C') + "!",
      "\"Tempo Change\"Z20XH C0C0C0C0",
      "Z10 C0 C0!",
  });
  ASSERT_EQ(songs.size(), 4u);
  EXPECT_EQ(songs[0].totalMs, 10000);
  EXPECT_TRUE(playingTimeFaults(songs[0]).empty());
  EXPECT_EQ(songs[1].totalMs, 9250);
  ASSERT_EQ(playingTimeFaults(songs[1]).size(), 1u);
  EXPECT_NE(playingTimeFaults(songs[1])[0].find("\"Just Too Short\" (lines 4-4)"),
            std::string::npos);
  EXPECT_EQ(songs[2].totalMs, 61 * 4000);
  EXPECT_EQ(playingTimeFaults(songs[2]).size(), 1u);
  EXPECT_EQ(songs[3].totalMs, 8000 + 2000);
  EXPECT_EQ(songs[3].tempos, (std::vector<int>{20, 10}));
}

TEST_F(SongSheetRules, RangeRuleNamesTheLinesOutsideRowsTwoToSix) {
  const auto songs = inventedSongs({
      "\"Edges Of The Range\"Z20XF C0 XJ H0",
      "XJ #H2 C",  // the sharp H of row 6 is the C of row 7
      "XE H XF C!",
  });
  ASSERT_EQ(songs.size(), 1u);
  const std::vector<std::string> faults = rangeFaults(songs[0]);
  ASSERT_EQ(faults.size(), 2u) << allOf(faults);
  EXPECT_NE(faults[0].find("line 2: C7"), std::string::npos) << faults[0];
  EXPECT_NE(faults[1].find("line 3: H1"), std::string::npos) << faults[1];
}

TEST_F(SongSheetRules, DigitRuleReadsOnlyDurationDigits) {
  const auto songs = inventedSongs({
      "\"Digits Everywhere\"Z99XH I127 C5 <9 lives> D _",  // operands and lyrics are no lengths
      "E6 F",
      "G9!",
  });
  ASSERT_EQ(songs.size(), 1u);
  EXPECT_TRUE(songs[0].readingFaults.empty()) << allOf(songs[0].readingFaults);
  EXPECT_EQ(songs[0].programs, std::vector<int>{127});
  const std::vector<std::string> faults = durationDigitFaults(songs[0]);
  ASSERT_EQ(faults.size(), 2u) << allOf(faults);
  EXPECT_NE(faults[0].find("line 2: duration digit 6"), std::string::npos) << faults[0];
  EXPECT_NE(faults[1].find("line 3: duration digit 9"), std::string::npos) << faults[1];
}

TEST_F(SongSheetRules, SongWithoutEndMarkIsReportedAndTheNextStillRead) {
  const auto songs = inventedSongs({
      "\"Never Ending\"Z20XH C D <stop!> E",  // "!" in a lyric ends nothing
      "F G",
      "\"Next One\"Z20XH C0!",
  });
  ASSERT_EQ(songs.size(), 2u);
  EXPECT_EQ(songs[0].lastLine, 2);
  EXPECT_EQ(allOf(songs[0].readingFaults), "the song has no end mark\n");
  EXPECT_EQ(songs[1].firstLine, 3);
  EXPECT_TRUE(songs[1].readingFaults.empty());
}

TEST_F(SongSheetRules, LyricSpansAreWhatThePlayerWritesBeforeEachNote) {
  const auto songs = inventedSongs({
      "\"Span Count\"Z20XH<Wake up, friend,>C2DE<the road is call-ing,>F_2GA.H",
      "",                                                  // an empty line between
      "<H\xE5l-ler - du>XIC3#C<i nat-ten vakt?>D1EF<>G!",  // library text is Windows-1252
  });
  ASSERT_EQ(songs.size(), 1u);
  const std::vector<LyricLine> lines = lyricLines(songs[0]);
  ASSERT_EQ(lines.size(), 2u);
  // The title is no lyric; a rest covers nothing; an empty lyric opens no span.
  EXPECT_EQ(lines[0].line, 1);
  ASSERT_EQ(lines[0].spans.size(), 2u);
  EXPECT_EQ(lines[0].spans[0].text, "Wake up, friend,");
  EXPECT_EQ(lines[0].spans[0].syllables, 3);
  EXPECT_EQ(lines[0].spans[0].notes, 3);
  EXPECT_EQ(lines[0].spans[1].syllables, 5);
  EXPECT_EQ(lines[0].spans[1].notes, 4);
  EXPECT_EQ(lines[0].rhythm, "4 4 4 4 4 4 4.");
  // A lone hyphen is no syllable; letters beyond ASCII are letters, and the
  // span comes back in UTF-8.
  EXPECT_EQ(lines[1].line, 3);
  EXPECT_EQ(lines[1].spans[0].text, "Hål-ler - du");
  EXPECT_EQ(lines[1].syllables, 7);
  EXPECT_EQ(lines[1].notes, 6);
  EXPECT_EQ(lines[1].spans[1].notes, 4);
  EXPECT_EQ(syllableCount("\"Title Words\" ev-ery-one, a-gain."), 5);
}

TEST_F(SongSheetRules, LyricFitAllowsAFewHeldNotesButNoMoreThanTheSongItselfSings) {
  const auto songs = inventedSongs({
      "\"Fit Check\"Z20XH<Sing a long song,>C2DEF",  // one syllable a note
      "<hold it there,>C2DEF",                       // one note held: fits
      "<hold it,>C2DEF",                             // line 1 sings these notes one by one
      "<hold this long>C2DEFGA",                     // three held notes, a rhythm of its own
      "<far too ma-ny words>C2DE",
      "<Ah.>C3DEFG!",
  });
  ASSERT_EQ(songs.size(), 1u);
  const std::vector<std::string> faults = lyricFitFaults(songs[0]);
  ASSERT_EQ(faults.size(), 3u) << allOf(faults);
  EXPECT_NE(faults[0].find("line 3: 2 syllables on 4 notes; line 1 of the same rhythm has 0"),
            std::string::npos)
      << faults[0];
  EXPECT_NE(faults[1].find("line 5: 5 syllables on 3 notes: more syllables than notes"),
            std::string::npos)
      << faults[1];
  EXPECT_NE(faults[2].find("line 6: 1 syllables on 5 notes: more than 3 notes without"),
            std::string::npos)
      << faults[2];
}

TEST_F(SongSheetRules, LineThePlayerWouldTakeForACommandIsAReadingFault) {
  const auto songs = inventedSongs({
      "\"Odd Lines\"Z20XH<la>C0",
      "L ",  // would list the library
      "<la>C0!",
  });
  ASSERT_EQ(songs.size(), 1u);
  EXPECT_EQ(allOf(songs[0].readingFaults), "line 2: was not played as note text of its own\n");
}
