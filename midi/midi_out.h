// The process's one connection to MIDI output: opened before a tune, closed
// after it, and closed by the exit hook if the process ends in between.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "sound/midi_output.h"
#include "sound/timeline.h"

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

constexpr NoteTable noteTable = makeNoteTable();

// Program 16 (drawbar organ) on the first channel, selected on every open.
constexpr int openingProgram = 16;

struct MidiOutState {
  // True while the connection is open, and while it is lent to a MIDI file.
  bool available = false;
  std::unique_ptr<sound::MidiOutput> output;  // null while closed or lent
  platform::ExitProc savedExitHook = nullptr;
  // The pace of the notes and rests sent through the connection.
  sound::Timeline timeline;
  // The tune played to its end: closing lets its last notes ring out,
  // where a tune stopped (by a key, a signal) is cut at once.
  bool tuneEnded = false;
};

extern MidiOutState midiOutState;

// Back to the state at process start; the output, if open, is closed.
void resetMidiOut();

// Puts an output in place as the open connection, paced by the timeline,
// and selects the opening program on it.
void connectMidiOut(std::unique_ptr<sound::MidiOutput> output);

bool openSound();
void closeSound();
void openMidiOut();
void closeMidiOut();
// The tune on the open connection has played to its end.
void markTuneEnded();
