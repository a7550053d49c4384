// Own songs: found by title after the built-in library, played and exported
// like library songs, listed after them, and checked by the library's rules;
// a broken song or file is left out with one line at most.
#include "library/songbook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/program.h"
#include "world.h"

namespace {

constexpr const char* jingle =
    "\"Release Jingle\" Z10 G3EG\n"
    "<Ship-ped!>C1 G2 .C0 !\n";

class OwnSongs : public FreshProcess {
 protected:
  void songbook(const std::string& path, const std::string& text) {
    fake::script().readableFiles[path] = text;
  }
  int run(const std::vector<std::string>& arguments) {
    fake::script().terminal = false;
    fake::script().arguments = arguments;
    return programMain();
  }
};

}  // namespace

TEST_F(OwnSongs, ASongOfTheUsersFolderIsFoundByTitleAndPlayedWithItsLyrics) {
  songbook("/home/user/.local/share/lirkel/songs/team.txt", jingle);
  EXPECT_EQ(run({"release"}), 0);
  EXPECT_EQ(fake::output(), "\n\"Release Jingle\"\nShip-ped! ");
  EXPECT_EQ(tones(), (std::vector<std::pair<std::int64_t, std::int64_t>>{
                         {392, 125}, {329, 125}, {392, 125}, {261, 500}, {392, 250}, {261, 1000},
                         {261, 500}}));
  EXPECT_EQ(fake::errors(), "");
}

TEST_F(OwnSongs, AnOwnSongExportsWithItsLyricAtItsNote) {
  songbook("/opt/lirkel/share/lirkel/songs/team.txt", jingle);
  EXPECT_EQ(run({"--export", "j.mid", "release"}), 0);
  const std::vector<std::uint8_t>& file = fake::files()["j.mid"];
  const std::string bytes(file.begin(), file.end());
  EXPECT_NE(bytes.find("\xFF\x03\x0eRelease Jingle"), std::string::npos);
  EXPECT_NE(bytes.find("\xFF\x05\x0aShip-ped! "), std::string::npos);
}

TEST_F(OwnSongs, BuiltInTitlesWinAndTheFirstSongbookInLirkelSongsWins) {
  songbook("/a/one.txt", "\"Yesterday Mine\" Z10 C !\n\n\"Release One\" Z10 D !\n");
  songbook("/b/two.txt", "\"Release Two\" Z10 E !\n");
  fake::script().environment["LIRKEL_SONGS"] = "/b/two.txt:/a";
  run({"yesterday"});
  EXPECT_NE(fake::output().find("Yesterday's Lantern"), std::string::npos);
  freshProcess();
  songbook("/a/one.txt", "\"Release One\" Z10 D !\n");
  songbook("/b/two.txt", "\"Release Two\" Z10 E !\n");
  fake::script().environment["LIRKEL_SONGS"] = "/b/two.txt:/a";
  run({"release"});
  EXPECT_EQ(fake::output(), "\n\"Release Two\"\n");
  // LIRKEL_SONGS stands in for the user's folder; the installed songs follow.
  EXPECT_TRUE(std::none_of(fake::calls().begin(), fake::calls().end(), [](const fake::Call& c) {
    return c.text.find("/home/user") != std::string::npos;
  }));
}

TEST_F(OwnSongs, RunsThatSearchNoTitleReadNoSongbook) {
  songbook("/home/user/.local/share/lirkel/songs/team.txt", jingle);
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"?"}, {"-"}, {"+"}, {"yesterday"}, {"--version"}}) {
    fake::calls().clear();
    run(arguments);
    EXPECT_TRUE(fake::callsNamed("readSmallFile").empty()) << arguments.front();
    freshProcess();
    songbook("/home/user/.local/share/lirkel/songs/team.txt", jingle);
  }
}

TEST_F(OwnSongs, TheListingAddsThemUnderAHeadingWithThePagingCarriedOn) {
  std::string many = jingle;
  for (char c = 'K'; c <= 'Z'; ++c) many += std::string("\n\"") + c + "-team song\" Z10 C !\n";
  songbook("/home/user/.local/share/lirkel/songs/team.txt", many);
  fake::script().screenInfo.windowRight = 39;  // 40 columns: a title a row
  fake::script().screenInfo.windowBottom = 9;
  for (int i = 0; i < 30; ++i) fake::script().keys.push_back({13, true, 0, -1});
  fake::script().arguments = {"L"};
  programMain();
  const std::string out = fake::output();
  const std::size_t heading =
      out.find("Egna melodier..: /home/user/.local/share/lirkel/songs/team.txt\n");
  ASSERT_NE(heading, std::string::npos) << out;
  EXPECT_LT(out.find("Sjung, lilla l"), heading);  // the library's last title before it
  EXPECT_NE(out.find("Release Jingle", heading), std::string::npos);
  EXPECT_NE(out.find("Z-team song", heading), std::string::npos);
  // Every page but the last holds nine lines, the heading counted like a row
  // of titles: the count carries on from the library into the own songs.
  std::vector<std::string> pages;
  for (std::size_t from = 0;;) {
    const std::size_t prompt = out.find("tryck <cr> \r", from);
    pages.push_back(out.substr(from, prompt - from));
    if (prompt == std::string::npos) break;
    from = prompt + 12;
  }
  ASSERT_GT(pages.size(), 3u);
  bool headingPage = false;
  for (std::size_t i = 0; i + 2 < pages.size(); ++i) {
    EXPECT_EQ(std::count(pages[i].begin(), pages[i].end(), '\n'), 9) << i << pages[i];
    headingPage = headingPage || pages[i].find("Egna melodier") != std::string::npos;
  }
  EXPECT_TRUE(headingPage) << "the heading should lie on a full page, not the last";
}

TEST_F(OwnSongs, TheCheckNamesFileLineAndRuleOfEveryFault) {
  songbook("/s/faults.txt",
           "\"Ok Song\" Z10 C !\n"                     // 1
           "\n"                                        // 2
           "stray notes\n"                             // 3
           "\"Tiny\" Z10 C !\n"                        // 4: a title of four letters
           "\"No Tempo Here\" C D !\n"                 // 5
           "\"Bad Octave\" Z10 XQ C !\n"               // 6
           "\"Open Lyric\" Z10 <la C !\n"              // 7
           "\"Ok Song Again\" Z10 C !\n"               // 8: begins as line 1
           "\"Never Ends\" Z10 C\n"                    // 9
           "\"After It\" Z10 C ! D\n"                  // 10
           "\"" + std::string(300, 'L') + "\" Z10 C !\n");  // 11
  songbook("/s/clean.txt", jingle);
  EXPECT_EQ(run({"--check", "/s/clean.txt"}), 0);
  EXPECT_NE(fake::output().find("0 problems"), std::string::npos);
  fake::output().clear();
  EXPECT_EQ(run({"--check", "/s/faults.txt"}), 1);
  const std::string out = fake::output();
  for (const char* expected :
       {"/s/faults.txt:3: note text stands only inside a song",
        "/s/faults.txt:4: a title has at least five characters",
        "/s/faults.txt:5: the title line's tempo token comes before the song's first note",
        "/s/faults.txt:6: the letter after X is a capital octave letter",
        "/s/faults.txt:7: a lyric span",
        "/s/faults.txt:8: a title differs from the others in its first five characters",
        "/s/faults.txt:9: the song has no end mark", "/s/faults.txt:10: nothing follows the end mark",
        "/s/faults.txt:11: a line holds at most 255 characters"}) {
    EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
  }
  EXPECT_EQ(out.find("faults.txt:1:"), std::string::npos);
}

TEST_F(OwnSongs, BrokenOrUnreadableSongbooksAreLeftOutWithOneLineOnlyWhenNothingIsFound) {
  songbook("/s/good.txt", jingle);
  songbook("/s/binary.txt", std::string("\"Bin\0ary\" Z10 C !\n", 19));
  songbook("/s/latin1.txt", "\"Caf\xE9 Song\" Z10 C !\n");
  songbook("/s/huge.txt", std::string(2'000'000, '\n'));
  songbook("/s/broken.txt", "\"Broken Song\" C !\n");
  fake::script().environment["LIRKEL_SONGS"] = "/s:/s/missing.txt";
  EXPECT_EQ(run({"release"}), 0);
  EXPECT_EQ(fake::errors(), "");  // found: nothing to say
  fake::output().clear();
  EXPECT_EQ(run({"zzzzz"}), 0);  // found nothing: one line
  EXPECT_EQ(fake::errors(),
            "lirkel: own songs or songbooks left out for a fault: 5 (lirkel --check names them)\n");
  fake::output().clear();
  EXPECT_EQ(run({"--check"}), 1);
  for (const char* expected :
       {"/s/binary.txt: skipped: not text", "/s/latin1.txt: skipped: not UTF-8 text",
        "/s/huge.txt: skipped: larger than 1 MB", "/s/missing.txt: skipped: No such file",
        "/s/broken.txt:1: the title line's tempo token"}) {
    EXPECT_NE(fake::output().find(expected), std::string::npos) << expected << fake::output();
  }
}

// What a search could never reach is a fault that leaves the song out,
// across files and behind built-in titles; form faults and control
// characters are named but keep the song, shown with "?" for the control.
TEST_F(OwnSongs, TheCheckNamesWhatASearchCouldNeverReachAndWhatAFileMustNotShow) {
  const std::string a =
      "\xEF\xBB\xBF\"Release Jingle\" Z10 C !\n"  // a byte-order mark first
      "\"Second Song\" Z10 D !\n";                 // no empty line before it
  const std::string b =
      "\"Release Other\" Z10 E !\n\n"
      "\"Yesterday mine\" Z10 F !\n\n"
      "\"Title \x1b]0;owned\x07 here\" Z10 G <ly\x1b[2Jric>A !\n";
  auto machine = [&] {
    freshProcess();
    songbook("/s/a.txt", a);
    songbook("/s/b.txt", b);
    // Named again and again, each file is read once.
    fake::script().environment["LIRKEL_SONGS"] = "/s:/s/a.txt:/s:/s/";
  };
  machine();
  EXPECT_EQ(run({"--check"}), 1);
  EXPECT_EQ(fake::callsNamed("readSmallFile").size(), 2u);
  const std::string clash = "a title differs from the others in its first five characters (";
  for (const std::string& expected :
       {std::string("/s/a.txt:2: an empty line stands between two songs\n"),
        "/s/b.txt:1: " + clash + "/s/a.txt:1 begins the same)\n",
        "/s/b.txt:3: " + clash + "the built-in \"Yesterday's Lantern\" begins the same)\n",
        std::string("/s/b.txt:5: a control character (U+001B) stands in the text; it shows as "
                    "\"?\"\n"),
        std::string("2 songbook files, 3 good songs, 4 problems\n")}) {
    EXPECT_NE(fake::output().find(expected), std::string::npos) << expected << fake::output();
  }
  fake::output().clear();
  EXPECT_EQ(run({"--check", "/s/a.txt"}), 1);
  EXPECT_NE(fake::output().find("\n1 songbook file, 2 good songs, 1 problem\n"), std::string::npos)
      << fake::output();

  machine();
  run({"--titles"});
  EXPECT_NE(fake::output().find("\nRelease Jingle\nSecond Song\nTitle ?]0;owned? here\n"),
            std::string::npos)
      << fake::output();
  EXPECT_EQ(fake::output().find("Release Other"), std::string::npos);
  EXPECT_EQ(fake::errors(), "lirkel: left out /s/b.txt:1: " + clash +
                                "/s/a.txt:1 begins the same)\nlirkel: left out /s/b.txt:3: " +
                                clash + "the built-in \"Yesterday's Lantern\" begins the same)\n");
  machine();
  run({"title"});
  EXPECT_EQ(fake::output(), "\n\"Title ?]0;owned? here\"\nly?[2Jric ");
}
