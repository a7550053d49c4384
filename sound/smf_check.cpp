#include "sound/smf_check.h"

#include <cstring>

namespace sound::smf {
namespace {

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

// The events of one track, up to and including its end-of-track event.
Fault checkTrack(Reader track) {
  std::uint8_t running = 0;
  while (track.at != track.end) {
    std::uint32_t delta;
    if (!track.number(delta)) return Fault::badEvent;
    std::uint8_t status;
    if (!track.byte(status)) return Fault::badEvent;
    if (status < 0x80) {
      // A data byte first: running status repeats the last channel message.
      if (running == 0) return Fault::badEvent;
      --track.at;
      status = running;
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
      if (!track.byte(type) || !track.number(length) || !track.skip(length)) {
        return Fault::badEvent;
      }
      if (type == 0x2F) return Fault::none;  // end of track
    } else if (status == 0xF0 || status == 0xF7) {
      std::uint32_t length;
      if (!track.number(length) || !track.skip(length)) return Fault::badEvent;
    } else {
      return Fault::badEvent;  // real-time and common bytes have no place in a file
    }
  }
  return Fault::noTrackEnd;
}

}  // namespace

Fault checkMidiFile(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return Fault::fileEmpty;
  constexpr std::size_t chunkHead = 8;
  if (size < 4 || std::memcmp(data, "MThd", 4) != 0) return Fault::notMidiFile;
  if (size < chunkHead + 6) return Fault::fileCutShort;
  const std::uint32_t headerLength = bigEndian(data + 4, 4);
  if (headerLength < 6) return Fault::badChunk;
  if (headerLength > size - chunkHead) return Fault::fileCutShort;
  const std::uint32_t format = bigEndian(data + 8, 2);
  const std::uint32_t trackCount = bigEndian(data + 10, 2);
  const std::uint32_t division = bigEndian(data + 12, 2);
  if (format > 2 || trackCount == 0 || division == 0) return Fault::notMidiFile;

  std::size_t offset = chunkHead + headerLength;
  std::uint32_t tracksSeen = 0;
  while (tracksSeen < trackCount) {
    if (size - offset < chunkHead) return Fault::fileCutShort;
    const std::uint8_t* chunk = data + offset;
    const std::uint32_t length = bigEndian(chunk + 4, 4);
    if (length > size - offset - chunkHead) return Fault::fileCutShort;
    // Chunks of other kinds are skipped, as the format asks.
    if (std::memcmp(chunk, "MTrk", 4) == 0) {
      const Fault error = checkTrack({chunk + chunkHead, chunk + chunkHead + length});
      if (error != Fault::none) return error;
      ++tracksSeen;
    }
    offset += chunkHead + length;
  }
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
  }
  return "";
}

}  // namespace sound::smf
