// The process's one connection to MIDI output (the mapper): opened before a
// tune, closed after it, and closed by the exit hook if the process ends in
// between.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

// MIDI note numbers by octave row 0..9 and semitone column (C first).
using NoteTable = std::array<std::array<std::uint8_t, 12>, 10>;

constexpr NoteTable makeNoteTable() {
  NoteTable table{};
  for (int row = 0; row < 10; ++row) {
    for (int column = 1; column <= 12; ++column) {
      const int note = 12 * (row + 1) + (column - 1);
      table[row][column - 1] = static_cast<std::uint8_t>(note <= 127 ? note : 0);
    }
  }
  return table;
}

struct MidiOutState {
  bool available = false;
  NoteTable noteTable = makeNoteTable();
  platform::MidiHandle handle = 0;
  platform::ExitProc savedExitHook = nullptr;
};

extern MidiOutState midiOutState;

// Program 16 (drawbar organ) on the first channel, selected on every open.
constexpr std::uint32_t openingProgramChange = 0x10C0;

bool openSound();
void closeSound();
void openMidiOut();
void closeMidiOut();
