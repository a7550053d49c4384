// The notation player's constant tables (letters of the note language, the
// speaker pitch table, the build's sound setting) and its one process-wide
// changing record: the current octave, tempo and note length, the library
// line being played and the console size the library listing works with.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "text/short_text.h"

#ifndef LIRKEL_SOUND_ENABLED
#define LIRKEL_SOUND_ENABLED 1
#endif

constexpr int octaveRows = 8;
constexpr int semitoneColumns = 12;

// The letters the octave token accepts: the letter at index k selects row k.
constexpr std::string_view octaveLetters = "DEFGHIJK";
// One letter per semitone column, C to H; a note letter stands for the column
// of its first occurrence, so the doubled letters only fill the sharps.
constexpr std::string_view noteLetters = "CCDDEFFGGAAH";
constexpr bool soundEnabled = LIRKEL_SOUND_ENABLED != 0;

// Speaker frequencies in tenths of a hertz, equal temperament, A of row 4 at
// 440 Hz. Row = octave row, column = semitone 1 (C) to 12 (H), stored from 0.
using PitchTable = std::array<std::array<std::uint16_t, semitoneColumns>, octaveRows>;
constexpr PitchTable pitchTable = {{
    {163, 173, 183, 194, 206, 218, 231, 245, 259, 275, 291, 309},
    {327, 346, 367, 389, 412, 436, 462, 490, 519, 550, 583, 617},
    {654, 693, 734, 778, 824, 873, 925, 980, 1038, 1100, 1165, 1235},
    {1308, 1386, 1468, 1555, 1648, 1746, 1850, 1960, 2076, 2200, 2330, 2469},
    {2616, 2771, 2936, 3111, 3296, 3492, 3700, 3920, 4153, 4400, 4661, 4939},
    {5232, 5543, 5873, 6222, 6592, 6984, 7400, 7840, 8306, 8800, 9323, 9878},
    {10465, 11087, 11746, 12445, 13185, 13969, 14800, 15680, 16612, 17600, 18646, 19755},
    {20930, 22174, 23493, 24890, 26370, 27938, 29600, 31359, 33224, 35200, 37293, 39510},
}};

struct PlayerState {
  // The line numbers name lines of an own song chosen by the title search,
  // not of the built-in library.
  bool ownSong = false;
  std::int32_t currentLine = 1;
  std::int32_t octaveIndex = 4;
  std::uint16_t wholeNoteMs = 1024;
  std::uint16_t durationExponent = 1;
  std::uint16_t screenRows = 30;
  std::uint16_t screenCols = 40;
};

extern PlayerState playerState;

// Everything in playerState back at its value at process start.
void resetPlayerState();
