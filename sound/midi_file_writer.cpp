#include "sound/midi_file_writer.h"

#include <algorithm>

namespace sound {
namespace {

// A quarter note of a second in 1000 ticks: a tick is a millisecond.
constexpr std::uint32_t ticksPerQuarter = 1000;
constexpr std::uint32_t microsecondsPerQuarter = 1'000'000;
// What one event may carry as text (a title or a lyric is far shorter).
constexpr std::size_t longestText = 255;

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

}  // namespace

MidiFileWriter::MidiFileWriter() {
  // The tempo that makes a tick a millisecond, at the start.
  track_ = {0x00, 0xFF, 0x51, 0x03};
  bigEndian(track_, microsecondsPerQuarter, 3);
}

void MidiFileWriter::delta(std::int64_t atMs) {
  const std::int64_t at = std::max(atMs, lastMs_);
  variableLength(track_, static_cast<std::uint32_t>(at - lastMs_));
  lastMs_ = at;
}

void MidiFileWriter::meta(std::int64_t atMs, std::uint8_t type, std::string_view text) {
  text = text.substr(0, longestText);
  delta(atMs);
  track_.insert(track_.end(), {0xFF, type});
  variableLength(track_, static_cast<std::uint32_t>(text.size()));
  track_.insert(track_.end(), text.begin(), text.end());
}

void MidiFileWriter::channelEvent(std::int64_t atMs, int status, int first, int second,
                                  bool twoBytes) {
  delta(atMs);
  track_.push_back(static_cast<std::uint8_t>(status));
  track_.push_back(static_cast<std::uint8_t>(first & 0x7F));
  if (twoBytes) track_.push_back(static_cast<std::uint8_t>(second & 0x7F));
}

void MidiFileWriter::trackName(std::int64_t atMs, std::string_view text) { meta(atMs, 0x03, text); }

void MidiFileWriter::lyric(std::int64_t atMs, std::string_view text) { meta(atMs, 0x05, text); }

void MidiFileWriter::noteOn(std::int64_t atMs, int channel, int note, int velocity) {
  channelEvent(atMs, 0x90 | (channel & 0x0F), note, velocity, true);
}

void MidiFileWriter::noteOff(std::int64_t atMs, int channel, int note, int velocity) {
  channelEvent(atMs, 0x80 | (channel & 0x0F), note, velocity, true);
}

void MidiFileWriter::programChange(std::int64_t atMs, int channel, int program) {
  channelEvent(atMs, 0xC0 | (channel & 0x0F), program, 0, false);
}

std::vector<std::uint8_t> MidiFileWriter::finish(std::int64_t endMs) const {
  std::vector<std::uint8_t> track = track_;
  variableLength(track, static_cast<std::uint32_t>(std::max(endMs, lastMs_) - lastMs_));
  track.insert(track.end(), {0xFF, 0x2F, 0x00});

  std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
  bigEndian(file, ticksPerQuarter, 2);
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  bigEndian(file, static_cast<std::uint32_t>(track.size()), 4);
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

}  // namespace sound
