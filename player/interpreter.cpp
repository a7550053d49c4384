#include "player/interpreter.h"

#include "console/console.h"
#include "library/library_store.h"
#include "library/resolve.h"
#include "midi/midi_files.h"
#include "platform/platform.h"
#include "player/note_length.h"
#include "player/number.h"
#include "player/player_state.h"
#include "player/renderers.h"
#include "text/text_utils.h"

namespace {

enum class Variant { speaker, midi };

constexpr int sharpOfTopNote = 13;  // a sharp before H or B

// The state of one pass over a line.
struct LineScan {
  const ShortText& line;
  std::size_t position = 0;
  std::size_t length = 0;
  bool sharpPending = false;
  bool dotPending = false;
};

// A MIDI note or rest is one call of the whole length, a dot included.
unsigned midiLength(bool dotted) {
  return noteLength(playerState.wholeNoteMs, playerState.durationExponent, dotted).total();
}

void playNote(Variant variant, int semitone, bool dotted) {
  int octave = playerState.octaveIndex;
  if (semitone == sharpOfTopNote) {  // C of the next row up
    octave += 1;
    semitone = 1;
  }
  if (variant == Variant::speaker) {
    playSpeakerNote(octave, semitone, playerState.wholeNoteMs, playerState.durationExponent,
                    dotted);
    return;
  }
  playMidiNote(0, static_cast<std::uint16_t>(octave), static_cast<std::uint16_t>(semitone),
               static_cast<std::uint16_t>(midiLength(dotted)));
}

void playRest(Variant variant, bool dotted) {
  if (variant == Variant::speaker) {
    playSpeakerNote(playerState.octaveIndex, restSemitone, playerState.wholeNoteMs,
                    playerState.durationExponent, dotted);
    return;
  }
  platform::Sleep(midiLength(dotted));
}

// A digit right after a note or rest letter sets the duration exponent.
void readDurationDigit(LineScan& scan) {
  const unsigned char next = scan.line.at(scan.position + 1);
  if (scan.position < scan.length && next >= '0' && next <= '9') {
    playerState.durationExponent = static_cast<std::uint16_t>(next - '0');
    scan.position += 1;
  }
}

// The text up to the next closing character after the position, or false
// (and the rest of the line skipped) when there is none.
bool findClosing(LineScan& scan, char closing, std::size_t& at) {
  for (std::size_t q = scan.position + 1; q <= scan.length; ++q) {
    if (scan.line.at(q) == static_cast<unsigned char>(closing)) {
      at = q;
      return true;
    }
  }
  scan.position = scan.length;
  return false;
}

void playToken(Variant variant, bool echo, LineScan& scan, unsigned char token) {
  const std::size_t p = scan.position;
  switch (token) {
    case '"': {
      std::size_t q;
      if (!findClosing(scan, '"', q)) return;
      scan.position = q;
      if (echo) {
        writeTextLine(ShortText());
        writeTextLine(ShortText(scan.line.slice(p, q)));
      }
      return;
    }
    case '<': {
      std::size_t q;
      if (!findClosing(scan, '>', q)) return;
      scan.position = q;
      if (echo) {
        const std::string_view lyric = scan.line.slice(p + 1, q - 1);
        writeText(ShortText(lyric) + " ");
        if (!lyric.empty() && lyric.back() == '.') writeTextLine(ShortText());
      }
      return;
    }
    case '#':
      scan.sharpPending = true;
      return;
    case '.':
      scan.dotPending = true;
      return;
    case 'A':
    case 'B':
    case 'C':
    case 'D':
    case 'E':
    case 'F':
    case 'G':
    case 'H': {
      const char letter = token == 'B' ? 'H' : static_cast<char>(token);
      int semitone = static_cast<int>(noteLetters.find(letter)) + 1;
      if (scan.sharpPending) semitone += 1;
      scan.sharpPending = false;
      readDurationDigit(scan);
      playNote(variant, semitone, scan.dotPending);
      scan.dotPending = false;
      return;
    }
    case '_':
      readDurationDigit(scan);
      playRest(variant, scan.dotPending);
      scan.dotPending = false;
      return;
    case 'X': {
      if (p < scan.length) {
        const char letter = static_cast<char>(scan.line.at(p + 1));
        const std::size_t k = octaveLetters.find(letter);
        if (k != std::string_view::npos) playerState.octaveIndex = static_cast<std::int32_t>(k);
      }
      scan.position = p + 1;
      return;
    }
    case 'Z': {
      long value = 0;
      const bool converts = convertNumber(scan.line.slice(p + 1, p + 2), value);
      // A negative tempo counts as one that does not convert.
      playerState.wholeNoteMs =
          converts && value >= 0 ? static_cast<std::uint16_t>(value * 100) : 1024;
      scan.position = p + 2;
      return;
    }
    case 'I': {
      long value = 0;
      // Only programs 0..127 are sent: a larger value would put a status
      // byte where a data byte belongs.
      if (variant == Variant::midi && convertNumber(scan.line.slice(p + 1, p + 3), value) &&
          value >= 0 && value <= 127) {
        sendProgramChange(static_cast<std::uint16_t>(value));
      }
      scan.position = p + 3;
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
  unsigned char token = 0;
  for (;;) {
    LineScan scan{line};
    scan.length = line.size();
    if (scan.length > 0) {
      for (;;) {
        scan.position += 1;
        token = upcaseChar(line.at(scan.position));
        playToken(variant, echo, scan, token);
        answer = checkKey();
        if (scan.position >= scan.length || token == '!' || answer != 0) break;
      }
    }
    playerState.currentLine += 1;
    if (playerState.currentLine <= libraryLineCount) {
      line = libraryLine(static_cast<std::uint16_t>(playerState.currentLine));
    }
    if (token == '!' || playerState.currentLine > libraryLineCount ||
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
  return runLines(Variant::speaker, echo, argument, foundLine, randomLine, 0);
}

unsigned char playNotationMidi(bool echo, ShortText argument) {
  std::uint16_t foundLine = 0;
  std::uint16_t randomLine = 0;
  resolveArgument(echo, argument, foundLine, randomLine);
  while (pollKey() != 0) {
  }
  const unsigned char answer = tryMidiFiles(argument);
  if (answer != 255) return answer;
  return runLines(Variant::midi, echo, argument, foundLine, randomLine, answer);
}
