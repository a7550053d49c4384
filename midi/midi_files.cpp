#include "midi/midi_files.h"

#include <memory>

#include "console/console.h"
#include "text/text_utils.h"
#include "library/resolve.h"
#include "midi/midi_out.h"
#include "platform/platform.h"
#include "sound/outputs.h"
#include "sound/timeline.h"

const std::array<MidiTitle, 18> midiTitleTable = {{
    {"LIMELIGHT", "limeligh"},
    {"DANCING QUEEN", "dancing"},
    {"NORWEGIAN WOOD", "norwegia"},
    {"TAXMAN", "taxman"},
    {"COME TOGETHER", "cometogh"},
    {"GET BACK", "getback"},
    {"CHIQUITITA", "chiquiti"},
    {"FROM BOTH SIDES NOW", "fromboth"},
    {"SWINGING SAFARI", "swinging"},
    {"FERNANDO", "fernando"},
    {"PROUD MARY", "proudmar"},
    {"THANK YOU FOR THE MUSIC", "thankyou"},
    {"IF I WERE A CARPENTER", "ifiwerea"},
    {"FOR ONCE IN MY LIFE", "foronce"},
    {"WHILE MY GUITAR GENTLY WEEPS", "whilemyg"},
    {"SLOOP JOHN B", "sloopjb"},
    {"BABY JANE", "babyjane"},
    {"MANDOLIN WIND", "mandolin"},
}};

namespace {

// The answer when a file played to its end with no key to stop it (input is
// not a terminal): as if Enter had been pressed.
constexpr unsigned char endedWithoutKey = 13;
// How often the end of the music is looked for when no key can come.
constexpr unsigned endPollMs = 50;

// Row counted from 1, or 0 when no title matches.
std::size_t firstMatchingRow(const ShortText& text) {
  for (std::size_t row = 1; row <= midiTitleTable.size(); ++row) {
    if (titleMatches(ShortText(midiTitleTable[row - 1].title), text)) return row;
  }
  return 0;
}

// Waits until a key is pressed; when none can ever come, until the music
// has ended, so the wait cannot last for ever.
unsigned char waitWhilePlaying(sound::MidiFilePlayer& player) {
  if (keysCanArrive()) {
    const unsigned char key = waitForKey();
    if (key != 0) return key;
  }
  sound::Timeline poll;
  while (player.playing()) poll.wait(endPollMs);
  return endedWithoutKey;
}

// Reports what a failure with the file says, when it says anything.
void report(const sound::Failure& failure, const std::string& path) {
  if (failure) reportProblem(*failure, path);
}

}  // namespace

unsigned char tryMidiFiles(ShortText text) {
  unsigned char answer = nothingPlayed;
  if (const std::size_t row = firstMatchingRow(text)) answer = playEmbeddedSong(row);
  if (answer == nothingPlayed) {
    if (const std::size_t row = firstMatchingRow(text)) {
      answer = findAndPlayMidiFile(ShortText(midiTitleTable[row - 1].fileStem));
    }
  }
  if (answer == nothingPlayed) answer = findAndPlayMidiFile(text);
  return answer;
}

unsigned char playEmbeddedSong(std::size_t) { return nothingPlayed; }

const MidiTitle* midiTitleNamed(const ShortText& text) {
  const ShortText key = upcaseText(ShortText(text.view().substr(0, titleKeyLength)));
  for (const MidiTitle& row : midiTitleTable) {
    if (key.size() == titleKeyLength && (std::string(row.title) + ' ').starts_with(key.view())) {
      return &row;
    }
  }
  return nullptr;
}

unsigned char findAndPlayMidiFile(const ShortText& name) {
  const std::string stem = trimTrailingSpaces(name).str();
  const std::string midiFolder = std::string("midi") + platform::pathSeparator();
  const std::string candidates[] = {
      stem + ".mid",
      midiFolder + stem + ".mid",
      platform::executableDirectory() + midiFolder + stem + ".mid",
      platform::fixedMidiDirectory() + stem + ".mid",
  };
  for (const std::string& path : candidates) {
    if (platform::fileExists(path)) return playMidiFile(path);
  }
  return nothingPlayed;
}

unsigned char playMidiFile(const std::string& path) {
  closeMidiOut();
  unsigned char answer = fileFailed;
  if (const std::unique_ptr<sound::MidiFilePlayer> player = sound::openMidiFilePlayer()) {
    if (const sound::Failure failure = player->open(path)) {
      report(failure, path);  // nothing was left open
    } else {
      if (const sound::Failure failure = player->start()) {
        report(failure, path);
      } else {
        writeTextLine(ShortText(path));
        writeTextLine(ShortText());
        writeText("avbryt tryck ");
        platform::flushStdout();
        answer = waitWhilePlaying(*player);
        writeTextLine(ShortText());
      }
      player->stop();
    }
  }
  openMidiOut();
  return answer;
}
