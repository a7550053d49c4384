#include "player/interpreter.h"

#include <memory>

#include "console/console.h"
#include "library/library_store.h"
#include "library/resolve.h"
#include "library/songbook.h"
#include "midi/midi_files.h"
#include "midi/midi_out.h"
#include "player/notation_lexer.h"
#include "player/note_length.h"
#include "player/number.h"
#include "player/player_state.h"
#include "player/renderers.h"
#include "sound/outputs.h"
#include "text/text_utils.h"

namespace {

// The variant that plays: tones through a speaker, or (without one) the MIDI
// connection; for an export, also where titles and lyrics are written down,
// and no key test.
struct Variant {
  sound::ToneOutput* speaker = nullptr;
  TextTrack* track = nullptr;
  bool isMidi() const { return speaker == nullptr; }
};

constexpr int sharpOfTopNote = 13;  // a sharp before H or B

// What one line leaves for the next token: a sharp or dot written before a
// note waits for it.
struct Pending {
  bool sharp = false;
  bool dot = false;
};

NoteLength currentLength(bool dotted) {
  return noteLength(playerState.wholeNoteMs, playerState.durationExponent, dotted);
}

void playNote(Variant variant, int semitone, bool dotted) {
  int octave = playerState.octaveIndex;
  if (semitone == sharpOfTopNote) {  // C of the next row up
    octave += 1;
    semitone = 1;
  }
  if (!variant.isMidi()) {
    playSpeakerNote(*variant.speaker, octave, semitone, playerState.wholeNoteMs,
                    playerState.durationExponent, dotted);
    return;
  }
  // A MIDI note is one call of the whole length, a dot included.
  playMidiNote(0, static_cast<std::uint16_t>(octave), static_cast<std::uint16_t>(semitone),
               static_cast<std::uint16_t>(currentLength(dotted).total()));
}

void playRest(Variant variant, bool dotted) {
  if (!variant.isMidi()) {
    playSpeakerNote(*variant.speaker, playerState.octaveIndex, restSemitone,
                    playerState.wholeNoteMs, playerState.durationExponent, dotted);
    return;
  }
  waitMidiRest(static_cast<std::uint16_t>(currentLength(dotted).total()));
}

// A digit right after a note or rest letter sets the duration exponent.
void takeDurationDigit(const NotationToken& token) {
  const int digit = durationDigit(token);
  if (digit >= 0) playerState.durationExponent = static_cast<std::uint16_t>(digit);
}

void writeTitle(const ShortText& line, const NotationToken& token) {
  writeTextLine(ShortText());
  writeTextLine(ShortText(line.slice(token.start, token.end)));  // with its quotes
}

bool endsOutputLine(std::string_view lyric) { return !lyric.empty() && lyric.back() == '.'; }

void writeLyric(std::string_view lyric) {
  writeText(ShortText(lyric) + " ");
  if (endsOutputLine(lyric)) writeTextLine(ShortText());
}

// What the screen shows of a lyric, for a track that keeps it.
std::string shownLyric(std::string_view lyric) {
  return std::string(lyric) + (endsOutputLine(lyric) ? " \n" : " ");
}

void playToken(Variant variant, bool echo, const ShortText& line, const NotationToken& token,
               Pending& pending) {
  switch (token.kind) {
    case TokenKind::title:
      if (!token.closed) return;
      if (echo) writeTitle(line, token);
      if (variant.track != nullptr) variant.track->title(token.operand);
      return;
    case TokenKind::lyric:
      if (!token.closed) return;
      if (echo) writeLyric(token.operand);
      if (variant.track != nullptr) variant.track->lyric(shownLyric(token.operand));
      return;
    case TokenKind::sharp:
      pending.sharp = true;
      return;
    case TokenKind::dot:
      pending.dot = true;
      return;
    case TokenKind::note: {
      const char letter = token.letter == 'B' ? 'H' : static_cast<char>(token.letter);
      int semitone = static_cast<int>(noteLetters.find(letter)) + 1;
      if (pending.sharp) semitone += 1;
      pending.sharp = false;
      takeDurationDigit(token);
      playNote(variant, semitone, pending.dot);
      pending.dot = false;
      return;
    }
    case TokenKind::rest:
      takeDurationDigit(token);
      playRest(variant, pending.dot);
      pending.dot = false;
      return;
    case TokenKind::octave: {
      // The letter is looked up as written: a lower-case one selects nothing.
      if (token.operand.empty()) return;
      const std::size_t k = octaveLetters.find(token.operand.front());
      if (k != std::string_view::npos) playerState.octaveIndex = static_cast<std::int32_t>(k);
      return;
    }
    case TokenKind::tempo: {
      long value = 0;
      const bool converts = convertNumber(token.operand, value);
      // A negative tempo counts as one that does not convert.
      playerState.wholeNoteMs =
          converts && value >= 0 ? static_cast<std::uint16_t>(value * 100) : 1024;
      return;
    }
    case TokenKind::instrument: {
      long value = 0;
      // Only programs 0..127 are sent: a larger value would put a status
      // byte where a data byte belongs.
      if (variant.isMidi() && convertNumber(token.operand, value) && value >= 0 &&
          value <= 127) {
        sendProgramChange(static_cast<std::uint16_t>(value));
      }
      return;
    }
    default:
      return;
  }
}

// Plays the line buffer and, while a continuation value says so, the
// following library lines. Answers the last key answer, or `answer` when no
// key test ran.
unsigned char runLines(Variant variant, bool echo, ShortText& line, std::uint16_t foundLine,
                       std::uint16_t randomLine, unsigned char answer) {
  bool endMark = false;
  for (;;) {
    Pending pending;
    const std::size_t length = line.size();
    // Every token, a skipped character included, is followed by a key test.
    for (std::size_t position = 1; position <= length; ++position) {
      const NotationToken token = readToken(line, position);
      playToken(variant, echo, line, token, pending);
      endMark = token.kind == TokenKind::end;
      // A tune being written down is not stopped by a key.
      if (variant.track == nullptr) answer = checkKey();
      position = token.end;
      if (endMark || answer != 0) break;
    }
    playerState.currentLine += 1;
    const std::int32_t lineCount = playerState.ownSong ? ownSongLineCount() : libraryLineCount;
    if (playerState.currentLine <= lineCount) {
      const auto number = static_cast<std::uint16_t>(playerState.currentLine);
      line = playerState.ownSong ? ownSongLine(number) : libraryLine(number);
    }
    if (endMark || playerState.currentLine > lineCount ||
        (foundLine == 0 && randomLine == 0) || answer != 0) {
      return answer;
    }
  }
}

}  // namespace

unsigned char playNotationSpeaker(bool echo, ShortText argument) {
  std::uint16_t foundLine = 0;
  std::uint16_t randomLine = 0;
  resolveArgument(echo, argument, foundLine, randomLine);
  sound::OpenedTones opened = sound::openToneOutput(reportProblem);
  // Why nothing audible plays, or why the synthesizer before found no device.
  if (opened.failure) reportProblem(*opened.failure, opened.about);
  const std::unique_ptr<sound::ToneOutput> speaker = std::move(opened.output);
  const unsigned char answer = runLines(Variant{speaker.get()}, echo, argument, foundLine, randomLine, 0);
  if (answer != 0) speaker->stop();  // a key: at once, not to the end of its note
  return answer;
}

unsigned char playNotationMidi(bool echo, ShortText argument) {
  std::uint16_t foundLine = 0;
  std::uint16_t randomLine = 0;
  resolveArgument(echo, argument, foundLine, randomLine);
  while (pollKey() != 0) {
  }
  const unsigned char answer = tryMidiFiles(argument);
  if (answer != 255) return answer;
  const unsigned char played = runLines(Variant{}, echo, argument, foundLine, randomLine, answer);
  if (played == 0) markTuneEnded();
  return played;
}

void recordNotation(ShortText text, std::uint16_t foundLine, std::uint16_t randomLine,
                    sound::ToneOutput* speaker, TextTrack& track) {
  runLines(Variant{speaker, &track}, false, text, foundLine, randomLine, 0);
}
