// A fresh process for every test: the fake machine and every process-wide
// record back at their starting values.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "console/console.h"
#include "midi/midi_out.h"
#include "platform/fake/fake_platform.h"
#include "player/player_state.h"

inline void freshProcess() {
  fake::reset();
  resetPlayerState();
  midiOutState = MidiOutState{};
  consoleState = ConsoleState{};
}

class FreshProcess : public ::testing::Test {
 protected:
  void SetUp() override { freshProcess(); }
};

// (frequency, length) of every tone, in order.
inline std::vector<std::pair<std::int64_t, std::int64_t>> tones() {
  std::vector<std::pair<std::int64_t, std::int64_t>> result;
  for (const fake::Call& call : fake::callsNamed("Beep"))
    result.emplace_back(call.args[0], call.args[1]);
  return result;
}

// The length of every wait, in order.
inline std::vector<std::int64_t> sleeps() {
  std::vector<std::int64_t> result;
  for (const fake::Call& call : fake::callsNamed("Sleep")) result.push_back(call.args[0]);
  return result;
}

// The MIDI messages sent, in order.
inline std::vector<std::int64_t> midiMessages() {
  std::vector<std::int64_t> result;
  for (const fake::Call& call : fake::callsNamed("midiOutShortMsg")) result.push_back(call.args[1]);
  return result;
}

// MIDI output opens as on a machine with a synthesizer.
inline void withMidiOpen() {
  fake::script().midiDevices = 1;
  ASSERT_TRUE(openSound());
  fake::calls().clear();
}
