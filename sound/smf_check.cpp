#include "sound/smf_check.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sound::smf {
namespace {

constexpr std::size_t chunkHead = 8;
constexpr std::uint32_t defaultTempoUs = 500'000;  // a quarter note at 120 a minute
constexpr std::uint8_t setTempo = 0x51;
constexpr std::uint8_t endOfTrack = 0x2F;

// Meta events of a fixed length; the player drops the whole file when one
// has another length.
struct MetaLength {
  std::uint8_t type;
  std::uint32_t length;
};
constexpr MetaLength fixedMetaLengths[] = {
    {endOfTrack, 0},
    {setTempo, 3},  // microseconds a quarter note
    {0x54, 5},      // SMPTE offset
    {0x58, 4},      // time signature
    {0x59, 2},      // key signature
};

bool wrongMetaLength(std::uint8_t type, std::uint32_t length) {
  for (const MetaLength& fixed : fixedMetaLengths) {
    if (fixed.type == type) return fixed.length != length;
  }
  return false;
}

// A cursor over one chunk's bytes; every read checks the end.
struct Reader {
  const std::uint8_t* at;
  const std::uint8_t* end;

  bool byte(std::uint8_t& value) {
    if (at == end) return false;
    value = *at++;
    return true;
  }
  bool skip(std::uint32_t count) {
    if (static_cast<std::size_t>(end - at) < count) return false;
    at += count;
    return true;
  }
  // A variable-length quantity: at most four bytes, seven bits each.
  bool number(std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      std::uint8_t b;
      if (!byte(b)) return false;
      value = (value << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }
};

std::uint32_t bigEndian(const std::uint8_t* p, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | p[i];
  return value;
}

int dataBytesOf(std::uint8_t status) {
  const std::uint8_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

struct TempoChange {
  std::uint64_t tick;
  std::uint32_t microsPerQuarter;
};

// What the walk of the tracks gathers for the playing time.
struct Timing {
  std::vector<TempoChange> tempos;
  std::uint64_t lastTick = 0;  // the end of the longest track
  std::uint64_t events = 0;    // the channel and system-exclusive messages the player sends
};

// The events the player sends in each second of the music, counted track by
// track: FluidSynth applies all that fall due in one go, so a file that
// crowds more into one second keeps its synthesizer busy for seconds (four
// million "all notes off" on one tick took 8 to 22 s), however fast the
// machine.
class SecondsCounter {
 public:
  SecondsCounter(const std::vector<TempoChange>& sortedTempos, std::uint32_t ticksPerQuarter,
                 std::int64_t playingMs)
      : tempos_(sortedTempos),
        ticksPerQuarter_(ticksPerQuarter),
        counts_(static_cast<std::size_t>(playingMs / 1000) + 2, 0) {}

  void startTrack() {
    next_ = 0;
    fromTick_ = 0;
    micros_ = 0;
    tempo_ = defaultTempoUs;
  }
  // False when the second of the tick holds too many events.
  bool add(std::uint64_t tick) {
    // Ticks only grow along a track: the tempo changes are passed once.
    while (next_ < tempos_.size() && tempos_[next_].tick <= tick) {
      micros_ += static_cast<double>(tempos_[next_].tick - fromTick_) * tempo_;
      fromTick_ = tempos_[next_].tick;
      tempo_ = tempos_[next_].microsPerQuarter;
      ++next_;
    }
    const double ms =
        (micros_ + static_cast<double>(tick - fromTick_) * tempo_) / ticksPerQuarter_ / 1000;
    const auto second = std::min(static_cast<std::size_t>(ms / 1000), counts_.size() - 1);
    return ++counts_[second] <= mostEventsInASecond;
  }

 private:
  const std::vector<TempoChange>& tempos_;
  std::uint32_t ticksPerQuarter_;
  std::vector<std::uint32_t> counts_;
  std::size_t next_ = 0;
  std::uint64_t fromTick_ = 0;
  double micros_ = 0;
  std::uint32_t tempo_ = defaultTempoUs;
};

// The events of one track, up to and including its end-of-track event; each
// message the player sends is counted, and also by its second when asked.
Fault checkTrack(Reader track, Timing& timing, SecondsCounter* seconds) {
  std::uint8_t running = 0;
  std::uint64_t tick = 0;
  while (track.at != track.end) {
    std::uint32_t delta;
    if (!track.number(delta)) return Fault::badEvent;
    tick += delta;
    std::uint8_t status;
    if (!track.byte(status)) return Fault::badEvent;
    if (status < 0x80) {
      // A data byte first: running status repeats the last channel message.
      if (running == 0) return Fault::badEvent;
      --track.at;
      status = running;
    }
    if (status < 0xF0 || status == 0xF0) {
      ++timing.events;
      if (seconds != nullptr && !seconds->add(tick)) return Fault::tooManyAtOnce;
    }
    if (status < 0xF0) {
      running = status;
      for (int i = 0; i < dataBytesOf(status); ++i) {
        std::uint8_t data;
        if (!track.byte(data) || data >= 0x80) return Fault::badEvent;
      }
    } else if (status == 0xFF) {
      std::uint8_t type;
      std::uint32_t length;
      if (!track.byte(type) || !track.number(length)) return Fault::badEvent;
      const std::uint8_t* data = track.at;
      if (!track.skip(length)) return Fault::badEvent;
      if (wrongMetaLength(type, length)) return Fault::cannotBePlayed;
      // A meta event ends running status: the player would read a data byte
      // after one as another meta event.
      running = 0;
      if (type == setTempo) timing.tempos.push_back({tick, bigEndian(data, 3)});
      if (type == endOfTrack) {
        timing.lastTick = std::max(timing.lastTick, tick);
        return Fault::none;
      }
    } else if (status == 0xF0 || status == 0xF7) {
      std::uint32_t length;
      if (!track.number(length) || !track.skip(length)) return Fault::badEvent;
      // The player knows no escaped bytes (a message that starts with F7).
      if (status == 0xF7) return Fault::cannotBePlayed;
      running = 0;  // as after a meta event
    } else {
      return Fault::badEvent;  // real-time and common bytes have no place in a file
    }
  }
  return Fault::noTrackEnd;
}

// Milliseconds from the first tick to the last, tempo change by tempo change
// (from any track, as the player applies them).
double playingTimeMs(Timing& timing, std::uint32_t ticksPerQuarter) {
  std::stable_sort(timing.tempos.begin(), timing.tempos.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  double micros = 0;
  std::uint64_t from = 0;
  std::uint32_t tempo = defaultTempoUs;
  for (const TempoChange& change : timing.tempos) {
    if (change.tick >= timing.lastTick) break;
    micros += static_cast<double>(change.tick - from) * tempo;
    from = change.tick;
    tempo = change.microsPerQuarter;
  }
  micros += static_cast<double>(timing.lastTick - from) * tempo;
  return micros / ticksPerQuarter / 1000;
}

}  // namespace

Fault checkHeader(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return Fault::fileEmpty;
  if (size < 4 || std::memcmp(data, "MThd", 4) != 0) return Fault::notMidiFile;
  if (size < headerBytes) return Fault::fileCutShort;
  const std::uint32_t headerLength = bigEndian(data + 4, 4);
  if (headerLength < 6) return Fault::badChunk;
  const std::uint32_t format = bigEndian(data + 8, 2);
  const std::uint32_t trackCount = bigEndian(data + 10, 2);
  const std::uint32_t division = bigEndian(data + 12, 2);
  if (format > 2 || trackCount == 0 || division == 0) return Fault::notMidiFile;
  // A longer header and SMPTE time (the top bit of the division) are both
  // valid in the format, but the player refuses them.
  if (headerLength != 6 || (division & 0x8000) != 0) return Fault::cannotBePlayed;
  return Fault::none;
}

Fault checkMidiFile(const std::uint8_t* data, std::size_t size, std::int64_t* playingMs) {
  if (const Fault fault = checkHeader(data, size); fault != Fault::none) return fault;
  if (size > largestFileBytes) return Fault::fileTooLarge;
  const std::uint32_t trackCount = bigEndian(data + 10, 2);
  const std::uint32_t ticksPerQuarter = bigEndian(data + 12, 2);
  if (trackCount > mostTracks) return Fault::cannotBePlayed;

  // Every track in turn; a second walk counts the events second by second.
  auto walkTracks = [&](Timing& timing, SecondsCounter* seconds) {
    std::size_t offset = headerBytes;
    for (std::uint32_t tracksSeen = 0; tracksSeen < trackCount; ++tracksSeen) {
      if (size - offset < chunkHead) return Fault::fileCutShort;
      const std::uint8_t* chunk = data + offset;
      const std::uint32_t length = bigEndian(chunk + 4, 4);
      if (length > size - offset - chunkHead) return Fault::fileCutShort;
      // The format lets a reader skip chunks of other kinds; the player fails
      // on one that comes before its last track.
      if (std::memcmp(chunk, "MTrk", 4) != 0) return Fault::cannotBePlayed;
      if (seconds != nullptr) seconds->startTrack();
      const Reader track{chunk + chunkHead, chunk + chunkHead + length};
      if (const Fault error = checkTrack(track, timing, seconds); error != Fault::none) {
        return error;
      }
      offset += chunkHead + length;
    }
    return Fault::none;
  };
  Timing timing;
  if (const Fault fault = walkTracks(timing, nullptr); fault != Fault::none) return fault;
  const double ms = playingTimeMs(timing, ticksPerQuarter);
  if (ms > static_cast<double>(longestPlayingMs)) return Fault::playsTooLong;
  // Only a file with more events than one second may hold can crowd one.
  if (timing.events > mostEventsInASecond) {
    SecondsCounter seconds(timing.tempos, ticksPerQuarter, static_cast<std::int64_t>(ms));
    Timing again;
    if (const Fault fault = walkTracks(again, &seconds); fault != Fault::none) return fault;
  }
  if (playingMs != nullptr) *playingMs = static_cast<std::int64_t>(ms);
  return Fault::none;
}

const char* faultText(Fault fault) {
  switch (fault) {
    case Fault::none:
      return "";
    case Fault::fileEmpty:
      return "The MIDI file is empty.";
    case Fault::notMidiFile:
      return "The file is not a Standard MIDI File.";
    case Fault::fileCutShort:
      return "The MIDI file is cut short.";
    case Fault::badChunk:
      return "The MIDI file has a chunk of impossible length.";
    case Fault::badEvent:
      return "The MIDI file holds an event that cannot be read.";
    case Fault::noTrackEnd:
      return "A track of the MIDI file has no proper end.";
    case Fault::fileTooLarge:
      return "The MIDI file is larger than any tune (16 MB at most).";
    case Fault::playsTooLong:
      return "The MIDI file would play longer than any tune (2 hours at most).";
    case Fault::cannotBePlayed:
      return "The MIDI file uses a form the player cannot play.";
    case Fault::tooManyAtOnce:
      return "The MIDI file holds more events at once than any tune (250000 in a second "
             "at most).";
  }
  return "";
}

}  // namespace sound::smf
