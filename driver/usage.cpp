#include "driver/usage.h"

#include <string>

#include "console/console.h"
#include "driver/identity.h"
#include "platform/platform.h"

namespace {

// Writes a text of several lines, each through the console's line writer.
void writeLines(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    writeTextLine(ShortText(text.substr(0, end)));
    if (end == std::string_view::npos) return;
    text.remove_prefix(end + 1);
  }
}

std::string folder(std::string path, std::string_view below) {
  for (char c : below) path.push_back(c == '/' ? platform::pathSeparator() : c);
  return path;
}

}  // namespace

void showUsage() {
  // One message a paragraph, so that a translation can keep each whole.
  writeLines(message(
      "Usage: lirkel [TUNE...]\n"
      "  or:  lirkel --export FILE TUNE...\n"
      "  or:  lirkel --run [--on-success TUNE] [--on-failure TUNE]\n"
      "                    [--if-longer SECONDS] COMMAND [ARG...]\n"
      "  or:  lirkel --check [FILE...]\n"
      "  or:  lirkel --sound-check [TUNE...]\n"
      "  or:  lirkel --titles | --help | --version\n"
      "Play a tune and exit: note text, or a song found by the first five letters\n"
      "of its title. A key stops the music. Made for the end of long jobs:\n"
      "  lirkel --run make     plays how the build went and keeps its exit status\n"));
  writeLines(message(
      "\n"
      "Note text (letters in either case; anything else is skipped):\n"
      "  C D E F G A H   notes (B is H); # before a note raises it a semitone\n"
      "  0 to 9          after a note or a rest, its length and the next ones':\n"
      "                  0 whole, 1 half, 2 quarter, 3 eighth...\n"
      "  _               a rest\n"
      "  .               before a note or a rest: half as long again\n"
      "  XD to XK        the octave of the notes that follow; XH begins at middle C\n"
      "  Znn             a whole note lasts nn tenths of a second (Z10: 1 s)\n"
      "  Innn            General MIDI instrument for the synthesizer (from 016)\n"
      "  \"title\" <lyric> !  write a title, write a lyric, end the song\n"
      "Examples: lirkel G3EGEGE   lirkel Z05XGC2EGXHC1   lirkel yesterday\n"));
  writeLines(message(
      "\n"
      "Keywords (the whole argument):\n"
      "  L     list the titles of the library and of your songbooks\n"
      "  -     play the first line of a song chosen at random\n"
      "  +     play the library line at the current position (line 1)\n"
      "  '?'   write the program's own help, in Swedish (quoted: the shell\n"
      "        would take a lone ? for a file name pattern); so does no argument\n"));
  writeLines(message(
      "\n"
      "Switches (before the tune; -- ends them):\n"
      "  --export FILE TUNE...   write the tune to FILE instead of playing it:\n"
      "                          .mid or .midi a MIDI file, .wav the sound\n"
      "  --run COMMAND [ARG...]  run the command, then play how it went, and exit\n"
      "                          with its status; nothing plays after Ctrl+C\n"
      "    --on-success TUNE     play this after success (LIRKEL_ON_SUCCESS);\n"
      "                          by default %s\n"
      "    --on-failure TUNE     play this after failure (LIRKEL_ON_FAILURE);\n"
      "                          by default %s\n"
      "    --if-longer SECONDS   play only when the command took this long\n"
      "  --check [FILE...]       check your songbooks by the library's rules\n"
      "  --titles                write every title a search can find\n"
      "  -h, --help              write this help\n"
      "  --version               write the version\n",
      {defaultSuccessTune, defaultFailureTune}));
  writeLines(message(
      "\n"
      "Sound (switches before the tune, for a tune, --run and --export):\n"
      "  --sound=synth|tones|silent|off  what plays (LIRKEL_SOUND): the synthesizer,\n"
      "                          tones, silence that keeps the time, or nothing\n"
      "                          and at once; by default the synthesizer when it\n"
      "                          can play, else tones, else silence\n"
      "  --soundfont FILE        the synthesizer's SoundFont (LIRKEL_SOUNDFONT)\n"
      "  --device NAME           an ALSA device, or pulse for the sound server\n"
      "                          (LIRKEL_DEVICE)\n"
      "  --volume N              0 to 100 percent of the usual level (LIRKEL_VOLUME)\n"
      "  --sound-check [TUNE...] say what a tune plays through and why, then play\n"
      "                          the tune when one is given\n"));
  writeLines(message(
      "\n"
      "Exit status: 0 after a tune, a listing or help; 1 when --export or --check\n"
      "fails, or --sound-check finds nothing audible; 2 for a wrong command line;\n"
      "with --run the command's status (127: no such command, 126: it cannot be\n"
      "run); 128+N after signal N (130: Ctrl+C).\n"));
  const std::string songs = folder(platform::userDataDirectory(), "lirkel/songs/");
  const std::string sharedSongs = folder(platform::programDataDirectory(), "songs/");
  writeLines(message(
      "\n"
      "Your songbooks: the files and folders in LIRKEL_SONGS, or else those in\n"
      "  %s\n"
      "then the songbooks installed for everyone, in\n"
      "  %s\n"
      "MIDI files (NAME.mid) are looked for here, in midi/, in midi/ beside the\n"
      "program, then in\n"
      "  %s\n"
      "\n"
      "Full documentation: man lirkel (on Windows README.txt)\n",
      {songs, sharedSongs, platform::fixedMidiDirectory()}));
}

void showVersion() {
  writeTextLine(ShortText(std::string("lirkel ") + LIRKEL_PACKAGE_VERSION));
  writeTextLine(ShortText(ModuleName) + VersionText);
  writeTextLine(ShortText(message("MIT licence: free to use, change and share, with no warranty.")));
}

int usageError(std::string_view error) {
  writeError(error);
  platform::writeStderr(message("Try 'lirkel --help'."));
  platform::writeStderr(platform::lineBreak());
  return 2;
}
