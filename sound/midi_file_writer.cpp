#include "sound/midi_file_writer.h"

#include <algorithm>
#include <string_view>

namespace sound {
namespace {

// A quarter note of a second in 1000 ticks: a tick is a millisecond.
constexpr std::uint32_t ticksPerQuarter = 1000;
constexpr std::uint32_t microsecondsPerQuarter = 1'000'000;
constexpr std::uint8_t trackNameMeta = 0x03;
constexpr std::uint8_t lyricMeta = 0x05;

// The track's events, each after its delta time.
class TrackWriter {
 public:
  void meta(std::int64_t atMs, std::uint8_t type, std::string_view data) {
    delta(atMs);
    bytes.insert(bytes.end(), {0xFF, type});
    variableLength(bytes, static_cast<std::uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
  }
  void message(std::int64_t atMs, const std::array<std::uint8_t, 3>& message) {
    delta(atMs);
    const bool oneDataByte = (message[0] & 0xF0) == 0xC0 || (message[0] & 0xF0) == 0xD0;
    bytes.insert(bytes.end(), message.begin(), message.end() - (oneDataByte ? 1 : 0));
  }

  std::vector<std::uint8_t> bytes;

 private:
  void delta(std::int64_t atMs) {
    const std::int64_t at = std::max(atMs, lastMs_);
    variableLength(bytes, static_cast<std::uint32_t>(at - lastMs_));
    lastMs_ = at;
  }
  std::int64_t lastMs_ = 0;
};

}  // namespace

std::vector<std::uint8_t> midiFile(const Recording& recording, std::int64_t endMs) {
  TrackWriter track;
  const std::uint8_t tempo[] = {static_cast<std::uint8_t>(microsecondsPerQuarter >> 16),
                                static_cast<std::uint8_t>(microsecondsPerQuarter >> 8),
                                static_cast<std::uint8_t>(microsecondsPerQuarter)};
  track.meta(0, 0x51, std::string_view(reinterpret_cast<const char*>(tempo), 3));
  for (const RecordedEvent& event : recording) {
    switch (event.kind) {
      case RecordedEvent::Kind::message:
        track.message(event.atMs, event.bytes);
        break;
      case RecordedEvent::Kind::title:
        track.meta(event.atMs, trackNameMeta, event.text);
        break;
      case RecordedEvent::Kind::lyric:
        track.meta(event.atMs, lyricMeta, event.text);
        break;
    }
  }
  track.meta(endMs, 0x2F, {});

  std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
  bigEndian(file, ticksPerQuarter, 2);
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  bigEndian(file, static_cast<std::uint32_t>(track.bytes.size()), 4);
  file.insert(file.end(), track.bytes.begin(), track.bytes.end());
  return file;
}

void bigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

void variableLength(std::vector<std::uint8_t>& out, std::uint32_t value) {
  std::uint8_t groups[5];
  int count = 0;
  do {
    groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (count > 1) out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
  out.push_back(groups[0]);
}

}  // namespace sound
