// Standard MIDI Files: eighteen known titles and any argument that names a
// file are looked for on disk and played by the sequencer until a key.
#pragma once

#include <array>
#include <string>

#include "text/short_text.h"

// Every operation answers one byte: 255 when nothing was played, 0 when a
// file was found but failed, else the key that stopped it.
constexpr unsigned char nothingPlayed = 255;
constexpr unsigned char fileFailed = 0;

struct MidiTitle {
  const char* title;     // upper case, as titleMatches wants it
  const char* fileStem;  // the file is fileStem + ".mid"
};

extern const std::array<MidiTitle, 18> midiTitleTable;

unsigned char tryMidiFiles(ShortText text);
// The first title of the table whose beginning the text's first five
// characters are, as a title search compares them; null when none. Writes
// nothing. (titleMatches is far looser: a title containing the text counts,
// so "C " finds THANK YOU FOR THE MUSIC.)
const MidiTitle* midiTitleNamed(const ShortText& text);
// Row counted from 1. Plays nothing: no song is built in.
unsigned char playEmbeddedSong(std::size_t row);
unsigned char findAndPlayMidiFile(const ShortText& name);
unsigned char playMidiFile(const std::string& path);
