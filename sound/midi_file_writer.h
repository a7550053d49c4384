// A tune written down as a Standard MIDI File: one track (format 0) whose
// ticks are whole milliseconds, with the title as the track's name and the
// lyrics as lyric events, so karaoke players show the words.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace sound {

class MidiFileWriter {
 public:
  MidiFileWriter();
  // Events come in time order; a time before the last one counts as it.
  void trackName(std::int64_t atMs, std::string_view text);
  void lyric(std::int64_t atMs, std::string_view text);
  void noteOn(std::int64_t atMs, int channel, int note, int velocity);
  void noteOff(std::int64_t atMs, int channel, int note, int velocity);
  void programChange(std::int64_t atMs, int channel, int program);
  // The whole file, its track ended at the time given.
  std::vector<std::uint8_t> finish(std::int64_t endMs) const;

 private:
  void delta(std::int64_t atMs);
  void meta(std::int64_t atMs, std::uint8_t type, std::string_view text);
  void channelEvent(std::int64_t atMs, int status, int first, int second, bool twoBytes);

  std::vector<std::uint8_t> track_;
  std::int64_t lastMs_ = 0;
};

}  // namespace sound
