// Checks that bytes form a Standard MIDI File that can be played, before
// anything plays: a synthesizer's file player accepts any bytes and fails
// later, on its own thread, without telling why (or plays silence, or plays
// for days). What passes here, the player plays, and within a tune's time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sound::smf {

// No tune comes near these; a file beyond them is refused before it plays.
constexpr std::size_t largestFileBytes = 16 * 1024 * 1024;
constexpr std::int64_t longestPlayingMs = 2 * 60 * 60 * 1000;
// A file starts with its header chunk: "MThd", the length 6 and six bytes.
constexpr std::size_t headerBytes = 14;
// The player takes at most this many tracks: given more, it plays nothing.
constexpr std::uint32_t mostTracks = 127;
// Channel and system-exclusive messages in any one second of the music. A
// MIDI cable carries about 1000 a second; this many, even of the costliest
// kind ("all notes off"), keep the synthesizer busy for about half a second.
constexpr std::uint32_t mostEventsInASecond = 250'000;

enum class Fault {
  none,
  fileEmpty,
  notMidiFile,
  fileCutShort,
  badChunk,
  badEvent,
  noTrackEnd,
  fileTooLarge,
  playsTooLong,
  cannotBePlayed,
  tooManyAtOnce,
};

// Checks the header chunk from a file's first bytes (at most headerBytes are
// looked at), so that a file of any other kind is refused before the rest
// is read.
Fault checkHeader(const std::uint8_t* data, std::size_t size);

// Checks a whole file, header included. playingMs, when given, receives how
// long a file that passes plays, from its tempo changes and its longest track.
Fault checkMidiFile(const std::uint8_t* data, std::size_t size,
                    std::int64_t* playingMs = nullptr);

// One short sentence naming the fault.
const char* faultText(Fault fault);

}  // namespace sound::smf
