#include "smf_generator.h"

#include <algorithm>

#include "sound/midi_file_writer.h"

namespace smf_fuzz {
namespace {

using sound::bigEndian;
using sound::variableLength;

constexpr std::size_t headerBytes = 14;
constexpr std::size_t emptyTrackBytes = 12;  // chunk head and an end-of-track at delta 0
constexpr std::uint8_t endOfRuns = 0xFF;

// The fuzzer's bytes, read one at a time; zeros once they are used up.
struct Bytes {
  const std::uint8_t* at;
  const std::uint8_t* end;
  bool left() const { return at != end; }
  std::uint8_t next() { return at == end ? 0 : *at++; }
  unsigned pair() {
    const unsigned high = next();
    return high << 8 | next();
  }
};

// One run: the same kind of event again and again, each after the same delta.
struct Run {
  std::uint8_t kind;  // low four bits: the event; 0x40: the note climbs
  std::uint32_t count;
  std::uint32_t delta;
  std::uint8_t first, second;
};

Run readRun(std::uint8_t kind, Bytes& in) {
  Run run{kind, 0, 0, 0, 0};
  // Bits 4 and 5 scale the count by 1, 16, 256 or 4096.
  run.count = (in.pair() + 1) << (((kind >> 4) & 3) * 4);
  run.delta = in.next();
  if (run.delta >= 0xF0) run.delta = (run.delta - 0xF0 + 1) * 1000;  // long gaps now and then
  run.first = in.next();
  run.second = in.next();
  return run;
}

// The event's bytes after its delta; `index` counts the run's repetitions.
void writeEvent(std::vector<std::uint8_t>& out, const Run& run, std::uint32_t index) {
  const std::uint8_t channel = run.first & 0x0F;
  const auto climb = static_cast<std::uint8_t>((run.kind & 0x40) ? index : 0);
  const auto note = static_cast<std::uint8_t>((run.second + climb) & 0x7F);
  const auto value = static_cast<std::uint8_t>((run.first >> 4) * 8 + (index & 7));
  switch (run.kind & 0x0F) {
    case 1:
      out.insert(out.end(), {static_cast<std::uint8_t>(0x80 | channel), note, 0x40});
      break;
    case 2:
      out.insert(out.end(), {static_cast<std::uint8_t>(0x90 | channel), note, 0});
      break;
    case 3:
      out.insert(out.end(), {static_cast<std::uint8_t>(0xB0 | channel), note, value});
      break;
    case 4:
      out.insert(out.end(), {static_cast<std::uint8_t>(0xC0 | channel), note});
      break;
    case 5:
      out.insert(out.end(), {static_cast<std::uint8_t>(0xE0 | channel), note, value});
      break;
    case 6:
      out.insert(out.end(), {static_cast<std::uint8_t>(0xA0 | channel), note, value});
      break;
    case 7:
      out.insert(out.end(), {static_cast<std::uint8_t>(0xD0 | channel), note});
      break;
    case 8:  // a tempo of 1 to 2^16 microseconds a quarter note, times the first byte
      out.insert(out.end(), {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(run.first >> 1),
                             static_cast<std::uint8_t>(run.second), 1});
      break;
    case 9: {  // a text event of some kind, as long as the second byte says
      out.insert(out.end(), {0xFF, static_cast<std::uint8_t>(1 + run.first % 7)});
      variableLength(out, run.second);
      out.insert(out.end(), run.second, static_cast<std::uint8_t>('a' + index % 26));
      break;
    }
    case 10:  // a system-exclusive message
      out.push_back(0xF0);
      variableLength(out, run.second + 1u);
      out.insert(out.end(), run.second, static_cast<std::uint8_t>(run.first & 0x7F));
      out.push_back(0xF7);
      break;
    case 11:  // note-ons after the first in running status
      if (index != 0) {
        out.insert(out.end(), {note, 0x64});
      } else {
        out.insert(out.end(), {static_cast<std::uint8_t>(0x90 | channel), note, 0x64});
      }
      break;
    case 12:
      out.insert(out.end(), {0xFF, 0x58, 0x04, 4, 2, 24, 8});
      break;
    case 13:
      out.insert(out.end(), {0xFF, 0x59, 0x02, static_cast<std::uint8_t>(run.first % 15), 0});
      break;
    default:
      out.insert(out.end(), {static_cast<std::uint8_t>(0x90 | channel), note,
                             static_cast<std::uint8_t>(1 + (run.first >> 1))});
      break;
  }
}

// A running-status event that follows another kind of event takes its
// status byte again.
bool needsStatus(const Run& run, std::uint32_t index) {
  return (run.kind & 0x0F) == 11 && index == 0;
}

bool isChannelEvent(const Run& run) {
  const unsigned kind = run.kind & 0x0F;
  return kind < 8 || kind == 11 || kind > 13;
}

}  // namespace

GeneratedFile generateFile(const std::uint8_t* data, std::size_t size, std::size_t largest) {
  Bytes in{data, data + size};
  const std::uint8_t format = in.next() % 3;
  std::size_t tracks = std::max(1u, in.pair());
  tracks = std::min(tracks, (largest - headerBytes) / emptyTrackBytes);
  const unsigned division = std::max(1u, in.pair() & 0x7FFF);

  GeneratedFile file;
  std::vector<std::uint8_t>& out = file.bytes;
  out.reserve(largest);
  out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  bigEndian(out, format, 2);
  bigEndian(out, static_cast<std::uint32_t>(tracks), 2);
  bigEndian(out, division, 2);
  for (std::size_t track = 0; track < tracks; ++track) {
    // Room is kept for the end of this track and for every track after it.
    const std::size_t limit = largest - (tracks - track) * emptyTrackBytes;
    const std::size_t start = out.size();
    out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
    bool full = false;
    std::uint64_t tick = 0;
    while (!full && in.left()) {
      const std::uint8_t kind = in.next();
      if (kind == endOfRuns) break;
      const Run run = readRun(kind, in);
      for (std::uint32_t i = 0; i < run.count; ++i) {
        const std::size_t before = out.size();
        variableLength(out, run.delta);
        writeEvent(out, run, needsStatus(run, i) ? 0 : i + 1);
        if (out.size() > limit + 8) {  // the chunk head of this track is already counted
          out.resize(before);
          full = true;
          break;
        }
        tick += run.delta;
        if (tick == 0 && isChannelEvent(run)) ++file.channelEventsOnFirstTick;
      }
    }
    out.insert(out.end(), {0x00, 0xFF, 0x2F, 0x00});
    const auto length = static_cast<std::uint32_t>(out.size() - start - 8);
    for (int i = 0; i < 4; ++i) {
      out[start + 4 + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }
  }
  return file;
}

}  // namespace smf_fuzz
