#include "tools/song_sheet.h"

#include <string_view>

#include "console/console.h"
#include "driver/program.h"
#include "library/library_store.h"
#include "library/listing.h"
#include "library/resolve.h"
#include "midi/midi_out.h"
#include "platform/fake/fake_platform.h"
#include "player/interpreter.h"
#include "player/notation_lexer.h"
#include "player/number.h"
#include "player/player_state.h"
#include "sound/recorder/recorder.h"
#include "text/codepage.h"

namespace {

constexpr std::int64_t shortestSongMs = 10'000;
constexpr std::int64_t longestSongMs = 240'000;
constexpr int lowestRow = 2;
constexpr int highestRow = 6;
constexpr int highestDigit = 5;

// A note or rest as the text reads it, with the length it should last.
struct ReadNote {
  bool rest = false;
  int exponent = 1;
  bool dotted = false;
  std::int64_t expectedMs = 0;
};

// What the text of a song says, read token by token with the players' own
// lexer, so that every note the player sounds can be paired with the digit
// and dot written for it. The length each note should last is worked out
// here from the tempo and digit as written, on purpose apart from the
// players' arithmetic: the sheet cross-checks what the player sounded.
struct TextReader {
  int exponent = 1;
  long wholeNoteMs = 1024;
  bool endMark = false;

  std::vector<ReadNote> readLine(const ShortText& text, SongSheet& song) {
    std::vector<ReadNote> notes;
    bool dot = false;
    const std::size_t n = text.size();
    for (std::size_t p = 1; p <= n && !endMark; ++p) {
      const NotationToken token = readToken(text, p);
      p = token.end;
      switch (token.kind) {
        case TokenKind::dot:
          dot = true;
          break;
        case TokenKind::note:
        case TokenKind::rest: {
          if (durationDigit(token) >= 0) exponent = durationDigit(token);
          std::int64_t ms = (wholeNoteMs & 0xFFFF) >> exponent;
          if (dot) ms += (wholeNoteMs & 0xFFFF) >> (exponent + 1);
          notes.push_back({token.kind == TokenKind::rest, exponent, dot, ms});
          dot = false;
          break;
        }
        case TokenKind::tempo: {
          long value = 0;
          const bool converts = convertNumber(token.operand, value);
          wholeNoteMs = converts && value >= 0 ? value * 100 : 1024;
          song.tempos.push_back(converts ? static_cast<int>(value) : -1);
          break;
        }
        case TokenKind::instrument: {
          long value = 0;
          if (convertNumber(token.operand, value)) song.programs.push_back(static_cast<int>(value));
          break;
        }
        case TokenKind::end:
          endMark = true;
          break;
        default:  // titles, lyrics, octaves and sharps do not change a length
          break;
      }
    }
    return notes;
  }
};

// A fresh fake machine with MIDI output open, and every process-wide record
// at its starting value: each song starts as if the program had just begun.
bool freshMachine() {
  fake::reset();
  sound::recorder::reset();
  resetProgramState();
  sound::recorder::script().midiDevices = 1;
  return openSound();
}

struct Played {
  int midiNote = restNote;
  std::int64_t ms = 0;
  std::string lyric;  // written after the note or rest before, so sung from this one
};

// The notes and rests among the calls the machine recorded from `first` on:
// a note is a note-on, a wait and a note-off; a wait on its own is a rest.
// Each takes the output written since the wait of the one before (on this
// line or an earlier one) as its lyric.
std::vector<Played> playedSince(std::size_t first) {
  std::vector<Played> played;
  int sounding = restNote;
  const std::vector<fake::Call>& calls = fake::calls();
  std::size_t lyricFrom = 0;
  for (std::size_t i = first; i-- > 0;) {
    if (calls[i].name == "wait") {
      lyricFrom = calls[i].outputSize;
      break;
    }
  }
  std::size_t soundedAt = 0;
  for (std::size_t i = first; i < calls.size(); ++i) {
    const fake::Call& call = calls[i];
    if (call.name == "noteOn") {
      sounding = static_cast<int>(call.args[1]);
      soundedAt = call.outputSize;
    } else if (call.name == "noteOff") {
      sounding = restNote;
    } else if (call.name == "wait") {
      const std::size_t lyricTo = sounding == restNote ? call.outputSize : soundedAt;
      played.push_back(
          {sounding, call.args[0], fake::output().substr(lyricFrom, lyricTo - lyricFrom)});
      lyricFrom = call.outputSize;
    }
  }
  return played;
}

std::string lineLabel(const SongSheet& song, std::uint16_t line) {
  return "\"" + song.title + "\" (lines " + std::to_string(song.firstLine) + "-" +
         std::to_string(song.lastLine) + "), line " + std::to_string(line) + ": ";
}

// Whether the player takes the line as note text of its own: the argument
// resolution neither lists, helps, picks a line nor finds a title in it
// (finding one writes it out).
bool resolvesToItself(std::uint16_t number, const ShortText& text) {
  ShortText resolved = text;
  std::uint16_t foundLine = 0;
  std::uint16_t randomLine = 0;
  const std::size_t outputBefore = fake::output().size();
  playerState.currentLine = number;
  resolveArgument(false, resolved, foundLine, randomLine);
  return fake::output().size() == outputBefore && foundLine == 0 && randomLine == 0 &&
         resolved == text;
}

// Plays one line of a song as note text and adds what it sounded, with the
// lyric written before each note, to the sheet.
void playLine(std::uint16_t number, const ShortText& text, TextReader& reader, SongSheet& song) {
  const std::vector<ReadNote> read = reader.readLine(text, song);
  if (text.empty()) return;  // an empty argument would ask for the help text
  const bool ownNoteText = resolvesToItself(number, text);
  const std::size_t firstCall = fake::calls().size();
  const std::int64_t startMs = fake::nowMs();
  playerState.currentLine = number;
  playNotationMidi(true, text);
  song.totalMs += fake::nowMs() - startMs;

  const std::string where = "line " + std::to_string(number) + ": ";
  if (!ownNoteText || playerState.currentLine != number + 1) {
    song.readingFaults.push_back(where + "was not played as note text of its own");
  }
  const std::vector<Played> played = playedSince(firstCall);
  if (played.size() != read.size()) {
    song.readingFaults.push_back(where + "the player sounded " + std::to_string(played.size()) +
                                 " notes and rests, the text holds " + std::to_string(read.size()));
    return;
  }
  for (std::size_t i = 0; i < read.size(); ++i) {
    if (read[i].rest != (played[i].midiNote == restNote) || read[i].expectedMs != played[i].ms) {
      song.readingFaults.push_back(where + "note " + std::to_string(i + 1) + " lasted " +
                                   std::to_string(played[i].ms) + " ms, the text says " +
                                   lengthName(read[i].exponent, read[i].dotted));
    }
    song.notes.push_back({number, played[i].midiNote, read[i].exponent, read[i].dotted,
                          played[i].ms, cp1252::cp1252ToUtf8(played[i].lyric)});
  }
}

std::string titleOf(const ShortText& text) {
  ShortText title;
  lineTitle(text, title);
  return cp1252::cp1252ToUtf8(title.view());
}

bool holdsQuote(const ShortText& text) { return text.view().find('"') != std::string_view::npos; }

}  // namespace

std::vector<SongSheet> readSongs(const SongLines& line, std::uint16_t lastLine) {
  std::vector<SongSheet> songs;
  std::uint16_t n = 1;
  while (n <= lastLine) {
    const ShortText first = line(n);
    if (!holdsQuote(first)) {
      ++n;
      continue;
    }
    SongSheet song;
    song.firstLine = n;
    song.title = titleOf(first);
    TextReader reader;
    if (!freshMachine()) song.readingFaults.push_back("MIDI output did not open");
    std::uint16_t m = n;
    for (; m <= lastLine && !reader.endMark; ++m) {
      const ShortText text = line(m);
      if (m != n && holdsQuote(text)) break;  // the next song began
      playLine(m, text, reader, song);
    }
    song.lastLine = static_cast<std::uint16_t>(m - 1);
    if (!reader.endMark) song.readingFaults.push_back("the song has no end mark");
    songs.push_back(song);
    n = m;
  }
  return songs;
}

std::vector<SongSheet> readLibrarySongs() {
  return readSongs(libraryLine, static_cast<std::uint16_t>(libraryLineCount));
}

std::vector<std::string> playingTimeFaults(const SongSheet& song) {
  if (song.totalMs >= shortestSongMs && song.totalMs <= longestSongMs) return {};
  return {lineLabel(song, song.firstLine) + "plays " + std::to_string(song.totalMs) +
          " ms, outside 10 s to 4 min"};
}

std::vector<std::string> rangeFaults(const SongSheet& song) {
  std::vector<std::string> faults;
  std::uint16_t reported = 0;
  for (const SheetNote& note : song.notes) {
    if (note.midiNote == restNote || note.line == reported) continue;
    const int row = octaveRow(note.midiNote);
    if (row < lowestRow || row > highestRow) {
      faults.push_back(lineLabel(song, note.line) + noteName(note.midiNote) +
                       " lies outside octave rows 2..6");
      reported = note.line;
    }
  }
  return faults;
}

std::vector<std::string> durationDigitFaults(const SongSheet& song) {
  std::vector<std::string> faults;
  std::uint16_t reported = 0;
  for (const SheetNote& note : song.notes) {
    if (note.exponent > highestDigit && note.line != reported) {
      faults.push_back(lineLabel(song, note.line) + "duration digit " +
                       std::to_string(note.exponent) + " is above 5");
      reported = note.line;
    }
  }
  return faults;
}

std::string noteName(int midiNote) {
  if (midiNote == restNote) return "_";
  static constexpr const char* names[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                            "F#", "G",  "G#", "A",  "A#", "H"};
  return names[midiNote % 12] + std::to_string(octaveRow(midiNote));
}

std::string lengthName(int exponent, bool dotted) {
  return "1/" + std::to_string(1L << exponent) + (dotted ? "." : "");
}

int octaveRow(int midiNote) { return midiNote / 12 - 1; }
