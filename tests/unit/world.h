// A fresh process for every test: the fake machine and every process-wide
// record back at their starting values.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "console/console.h"
#include "driver/program.h"
#include "midi/midi_out.h"
#include "platform/fake/fake_platform.h"
#include "player/player_state.h"
#include "sound/outputs.h"
#include "sound/recorder/recorder.h"
#include "text/short_text.h"

inline void freshProcess() {
  fake::reset();
  sound::recorder::reset();
  resetProgramState();
}

// A made-up song library for the functions that take one, its lines as a
// test sets them.
inline std::vector<ShortText> madeUp;
inline ShortText madeUpLine(std::uint16_t number) {
  return number >= 1 && number <= madeUp.size() ? madeUp[number - 1] : ShortText();
}

class FreshProcess : public ::testing::Test {
 protected:
  void SetUp() override { freshProcess(); }
};

// (frequency, length) of every tone, in order.
inline std::vector<std::pair<std::int64_t, std::int64_t>> tones() {
  std::vector<std::pair<std::int64_t, std::int64_t>> result;
  for (const fake::Call& call : fake::callsNamed("tone"))
    result.emplace_back(call.args[0], call.args[1]);
  return result;
}

// The length of every rest of the speaker and every wait of the MIDI
// connection, in order.
inline std::vector<std::int64_t> sleeps() {
  std::vector<std::int64_t> result;
  for (const fake::Call& call : fake::calls()) {
    if (call.name == "rest" || call.name == "wait") result.push_back(call.args[0]);
  }
  return result;
}

// The MIDI messages sent, in order, packed as bytes: status lowest, then
// the first and the second data byte.
inline std::vector<std::int64_t> midiMessages() {
  std::vector<std::int64_t> result;
  for (const fake::Call& call : fake::calls()) {
    const auto& a = call.args;
    if (call.name == "noteOn") result.push_back((0x90 + a[0]) | a[1] << 8 | a[2] << 16);
    if (call.name == "noteOff") result.push_back((0x80 + a[0]) | a[1] << 8 | a[2] << 16);
    if (call.name == "programChange") result.push_back((0xC0 + a[0]) | a[1] << 8);
  }
  return result;
}

// MIDI output opens as on a machine with a synthesizer.
inline void withMidiOpen() {
  sound::recorder::script().midiDevices = 1;
  ASSERT_TRUE(openSound());
  fake::calls().clear();
}
