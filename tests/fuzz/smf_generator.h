// Turns a few fuzzer bytes into a large Standard MIDI File that is valid in
// form: many tracks, long runs of one event, many notes on one tick, up to
// the size the check allows. Raw bytes reach only files as long as the
// fuzzer's inputs; these reach the files a user could really hand over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace smf_fuzz {

struct GeneratedFile {
  std::vector<std::uint8_t> bytes;
  std::size_t channelEventsOnFirstTick = 0;  // in all tracks together
};

// What the bytes ask for, written as a file of at most `largest` bytes:
//   format, track count (two bytes), division (two bytes), then for each
//   track runs of [kind, count (two bytes), delta, two parameters] until a
//   kind byte of 0xFF or the bytes end.
GeneratedFile generateFile(const std::uint8_t* data, std::size_t size, std::size_t largest);

}  // namespace smf_fuzz
