// The musical shape of the library songs: each plays 10 s to 4 min at its
// tempo, stays within octave rows 2..6, writes no duration digit above 5,
// fits its lyrics to its notes, keeps every bar to its recorded metre and
// sings every syllable on a beat that suits it.
// The songs are read by the song sheet, which plays them through the real
// interpreter; invented songs show that each rule catches what it should.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/hyphenation.h"
#include "tools/lyric_fit.h"
#include "tools/lyric_stress.h"
#include "tools/song_grid.h"
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

TEST_F(LibrarySongs, EveryBarOfEverySongAddsUpToItsRecordedMetre) {
  EXPECT_EQ(libraryGrids().size(), librarySongs().size());
  for (const SongSheet& song : librarySongs())
    EXPECT_EQ(allOf(barGridFaults(song, libraryGrid(song.title))), "");
}

TEST_F(LibrarySongs, EverySyllableSitsOnABeatThatSuitsItAndSplitsRightly) {
  for (const SongSheet& song : librarySongs()) {
    const SongGrid* grid = libraryGrid(song.title);
    for (const auto& rule : {spanFaults, stressFaults, melismaFaults, hyphenationFaults})
      EXPECT_EQ(allOf(rule(song, grid)), "");
  }
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

TEST_F(SongSheetRules, GridRuleFindsTheBarThatDoesNotAddUp) {
  const auto songs = inventedSongs({
      "\"Waltz Grid\"Z20XH G2 C1E2",  // an upbeat, then a full bar
      ".G0",                          // held from a downbeat for two whole bars
      "E1 C1",                        // a beat short: the second half note runs over
      "G2 .C1!",                      // the last note may ring on
      "\"Ragtime Grid\"Z20XH C3E2 .C2 D2C1!",
      "\"Off Beat End\"Z20XH C3D3E2 F3.G2!",
  });
  ASSERT_EQ(songs.size(), 3u);
  const SongGrid waltz{"Waltz Grid", "3/4", "1/4", Language::english};
  EXPECT_EQ(allOf(barGridFaults(songs[0], &waltz)),
            "\"Waltz Grid\" (lines 1-4), line 3: C4/2 on beat 3 runs over the bar line of 3/4; "
            "the line begins on beat 1\n");
  // Without its upbeat the same waltz is out of step from the held note on.
  const SongGrid noUpbeat{"Waltz Grid", "3/4", "0", Language::english};
  EXPECT_NE(allOf(barGridFaults(songs[0], &noUpbeat)).find("line 2: G4/1. on beat 2 runs over"),
            std::string::npos);

  // A note begun off the beat is tied over the bar line only in ragtime.
  const SongGrid plain{"Ragtime Grid", "2/4", "0", Language::none};
  const SongGrid rag{"Ragtime Grid", "2/4", "0", Language::none, tiesOverBarLines};
  EXPECT_NE(allOf(barGridFaults(songs[1], &plain)).find("C4/4. on beat 2 + 1/8 runs over"),
            std::string::npos);
  EXPECT_EQ(allOf(barGridFaults(songs[1], &rag)), "");

  const SongGrid twoFour{"Off Beat End", "2/4", "0", Language::none};
  EXPECT_EQ(allOf(barGridFaults(songs[2], &twoFour)),
            "\"Off Beat End\" (lines 6-6), line 6: the song's last note begins on beat 1 + 1/8, "
            "off the beat of 2/4\n");
  EXPECT_EQ(allOf(barGridFaults(songs[2], nullptr)),
            "\"Off Beat End\" (lines 6-6), line 6: no metre and upbeat recorded\n");
  const SongGrid unreadable{"Off Beat End", "3/5", "0", Language::none};
  EXPECT_NE(allOf(barGridFaults(songs[2], &unreadable)).find("cannot be read"), std::string::npos);
}

TEST_F(SongSheetRules, SpansAreSungNoteByNoteWithTheirWeakestNotesHeld) {
  const auto songs = inventedSongs({
      "\"Tide Hymn\"Z30XH<The tide comes in>D2G1B3GB1<a-cross the sand,>A2G1E2D1",
      "<the boats come safe-ly home a-gain.>D2G1B3GB1A2XI.D1!",
  });
  ASSERT_EQ(songs.size(), 1u);
  const SongGrid grid{"Tide Hymn", "3/4", "1/4", Language::english};
  const SungLyrics sung = singLyrics(songs[0], grid);
  std::vector<std::string> sheet;
  for (const SungSyllable& syllable : sung.syllables) {
    sheet.push_back(syllable.text + std::string(syllable.held.size(), '~') +
                    (syllable.note == unsung ? " unsung" : ""));
  }
  // "comes" holds the weak eighth after it; the second line runs out of notes.
  EXPECT_EQ(sheet, (std::vector<std::string>{"The", "tide", "comes~", "in", "a", "cross", "the",
                                             "sand", "the", "boats", "come", "safe", "ly", "home",
                                             "a", "gain unsung"}));
  EXPECT_EQ(sung.places[sung.syllables[3].note].weight, downbeatWeight);  // "in"
  EXPECT_EQ(sung.words[4].text, "a-cross");
  EXPECT_EQ(allOf(spanFaults(songs[0], &grid)),
            "\"Tide Hymn\" (lines 1-2), line 2: <the boats come safe-ly home a-gain.> has 8 "
            "syllables for 7 notes\n");
}

TEST_F(SongSheetRules, StressRulesFindTurnedWordsAndWeakWordsOnTheDownbeat) {
  const auto songs = inventedSongs({
      "\"Stress Check\"Z20XH<Down the val-ley, ri-vers hum-ming low,>D2DECDE3FE2C",
      "<the sing-ers come a->C1D2E2.F1G2",  // "a-" before the bar line, "gain" on it
      "<gain,>G0<and the wind.>A1B1C0!",    // "and" on a downbeat before a weak "the"
      "\"Heave Check\"Z20XH<Heave, ho, and out she sails.>A1AA2DFA1!",
      "\"Fir Check\"Z24XH<Och ek-or-ren kom hit.>D2.G3G4.G2A3.B1!",
  });
  ASSERT_EQ(songs.size(), 3u);
  const SongGrid grid{"Stress Check", "4/4", "0", Language::english};
  EXPECT_EQ(allOf(stressFaults(songs[0], &grid)),
            "\"Stress Check\" (lines 1-3), line 1: \"hum-ming\": \"ming\" on beat 3 lies stronger "
            "than the stressed \"hum\" on beat 2 + 1/8\n"
            "\"Stress Check\" (lines 1-3), line 2: the weak \"the\" is held on the downbeat before "
            "the stressed \"sing\" on beat 3\n");
  // A shanty's own tune gives "and" the downbeat.
  const SongGrid plain{"Heave Check", "2/4", "0", Language::english};
  const SongGrid shanty{"Heave Check", "2/4", "0", Language::english, weakWordsOnDownbeats};
  EXPECT_NE(allOf(stressFaults(songs[1], &plain)).find("the weak \"and\" is held on the downbeat"),
            std::string::npos);
  EXPECT_EQ(allOf(stressFaults(songs[1], &shanty)), "");
  // The weak end of a word held long on a beat after its short stress.
  const SongGrid fir{"Fir Check", "3/4", "1/4", Language::swedish};
  EXPECT_EQ(allOf(stressFaults(songs[2], &fir)),
            "\"Fir Check\" (lines 5-5), line 5: \"ek-or-ren\": \"ren\" on beat 2 is held longer "
            "than the stressed \"ek\" on beat 1\n");
}

TEST_F(SongSheetRules, AWordTurnedInEveryVerseIsTheTunesOwnPatternButARefrainIsNot) {
  const auto songs = inventedSongs({
      "\"Verse Pattern\"Z20XH<lit-tle pon-y,>C3D3E2E1",
      "<o-ver wa-ter,>C3D3E2E1",
      "<sing-ing ear-ly.>C3D3E2E1!",
      "\"Refrain Pattern\"Z20XH<lit-tle pon-y,>C3D3E2E1",
      "<lit-tle pon-y,>C3D3E2E1",
      "<lit-tle pon-y.>C3D3E2E1!",
  });
  ASSERT_EQ(songs.size(), 2u);
  const SongGrid verses{"Verse Pattern", "4/4", "0", Language::english};
  const SongGrid refrain{"Refrain Pattern", "4/4", "0", Language::english};
  EXPECT_EQ(allOf(stressFaults(songs[0], &verses)), "");
  const std::vector<std::string> faults = stressFaults(songs[1], &refrain);
  ASSERT_EQ(faults.size(), 3u) << allOf(faults);
  EXPECT_NE(faults[0].find("\"pon-y\": \"y\" on beat 3 lies stronger than the stressed \"pon\""),
            std::string::npos);
}

TEST_F(SongSheetRules, MelismaRuleComparesTheSameRhythmElsewhereInTheSong) {
  const auto songs = inventedSongs({
      "\"Cloak Check\"Z20XH<I saw a cloak>A2XIC1D2.E2F3E2",
      "<at the fair-ground stall.>D1XHB2.G2A3B2!",
      "\"Cloak Again\"Z20XH<I saw a cloak>A2XIC1D2.E2F3E2",
      "<at the fair.>D1XHB2.G2A3B2!",
  });
  ASSERT_EQ(songs.size(), 2u);
  const SongGrid first{"Cloak Check", "3/4", "1/4", Language::english};
  EXPECT_EQ(allOf(melismaFaults(songs[0], &first)),
            "\"Cloak Check\" (lines 1-2), line 1: \"cloak\" is held over E5/4. F5/8 E5/4, a rhythm "
            "that line 2 sings a syllable to a note\n");
  // Where the song always holds a syllable over that rhythm, the tune has a melisma.
  const SongGrid second{"Cloak Again", "3/4", "1/4", Language::english};
  EXPECT_EQ(allOf(melismaFaults(songs[1], &second)), "");
}

TEST_F(SongSheetRules, SwedishAndFinnishWordsSplitBeforeASingleConsonant) {
  const auto songs = inventedSongs({
      // Library text is Windows-1252: "M\xE5n" is "Mån".
      "\"Vinter Ord\"Z20XH<M\xE5n-en ly-ser hem-\xE5t, kat-ten sov-er.>C2DEFGAHXICDXHB1!",
      "\"Talon Kuu\"Z20XH<Tal-o, kuu.>C2DE1!",
      "\"River Word\"Z20XH<Riv-er, o-ver.>C2DEF1!",
  });
  ASSERT_EQ(songs.size(), 3u);
  const SongGrid swedish{"Vinter Ord", "4/4", "0", Language::swedish};
  EXPECT_EQ(allOf(hyphenationFaults(songs[0], &swedish)),
            "\"Vinter Ord\" (lines 1-1), line 1: \"mån-en\" splits after a single consonant, not "
            "before it: \"må-nen\"\n"
            "\"Vinter Ord\" (lines 1-1), line 1: \"sov-er\" splits after a single consonant, not "
            "before it: \"so-ver\"\n");
  const SongGrid finnish{"Talon Kuu", "4/4", "0", Language::finnish};
  EXPECT_NE(allOf(hyphenationFaults(songs[1], &finnish)).find("\"ta-lo\""), std::string::npos);
  const SongGrid english{"River Word", "4/4", "0", Language::english};
  EXPECT_EQ(allOf(hyphenationFaults(songs[2], &english)), "");
}
