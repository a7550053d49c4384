// A sample stream for tests of the renderer, on the virtual clock: it keeps
// every sample written and when the ear hears it (the device plays from its
// first write on, at its rate, and again from a write after it ran dry), and
// can refuse to open, stall, be lost, or stop answering.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sound/render/sample_stream.h"
#include "virtual_clock.h"

struct FakeDevice {
  VirtualClock* clock = nullptr;
  // What the test scripts.
  bool refuseOpen = false;
  bool hangOpen = false;
  std::int64_t openTakesNs = 0;
  int loseAtWrite = -1;  // that write and every later one fail
  int stallAtWrite = -1;
  std::int64_t stallNs = 0;
  int hangAtWrite = -1;  // that write never comes back, until release()
  // What it saw.
  struct Write {
    std::int64_t atNs;      // when it was written
    std::int64_t heardNs;   // when its first frame is heard
    std::size_t firstFrame;  // its place among every frame written
    std::size_t frames;
    std::int64_t heardEndNs(unsigned rate) const {
      return heardNs + static_cast<std::int64_t>(frames) * 1'000'000'000 / rate;
    }
  };
  std::vector<Write> writes;
  std::vector<std::int16_t> samples;  // every sample written, in order
  std::vector<std::int64_t> drains;   // when each drain began
  std::int64_t playedUpToNs = 0;      // when the ear has heard all written
  unsigned channels = 1;
  unsigned rate = 48000;
  int opens = 0;

  // Lets a hanging call come back.
  void release() {
    std::unique_lock lock(mutex);
    released = true;
    clock->wake();
  }

  // The heard time of a frame written.
  std::int64_t heardAt(std::size_t frame) const {
    for (const Write& w : writes) {
      if (frame < w.firstFrame + w.frames) {
        return w.heardNs + static_cast<std::int64_t>(frame - w.firstFrame) * 1'000'000'000 / rate;
      }
    }
    return -1;
  }

  static FakeDevice& current();  // the one the opener below opens
  static std::unique_ptr<sound::SampleStream> open(const sound::StreamShape& shape);

  std::mutex mutex;
  bool released = false;

  void hang() {
    std::unique_lock lock(mutex);
    clock->waitUntil(lock, sound::never, [this] { return released; });
  }
};

inline FakeDevice*& currentDevice() {
  static FakeDevice* device = nullptr;
  return device;
}
inline FakeDevice& FakeDevice::current() { return *currentDevice(); }

class FakeStream final : public sound::SampleStream {
 public:
  explicit FakeStream(FakeDevice& device) : device_(device) {}
  bool write(const std::int16_t* frames, std::size_t count) override {
    FakeDevice& d = device_;
    const int index = static_cast<int>(d.writes.size());
    if (index == d.hangAtWrite) d.hang();
    if (index == d.stallAtWrite) d.clock->sleepUntil(d.clock->nowNs() + d.stallNs);
    if (d.loseAtWrite >= 0 && index >= d.loseAtWrite) return false;
    const std::int64_t now = d.clock->nowNs();
    const std::int64_t heard = std::max(now, d.playedUpToNs);
    d.writes.push_back({now, heard, d.samples.size() / d.channels, count});
    d.samples.insert(d.samples.end(), frames, frames + count * d.channels);
    d.playedUpToNs = heard + static_cast<std::int64_t>(count) * 1'000'000'000 / d.rate;
    return true;
  }
  void drain() override {
    device_.drains.push_back(device_.clock->nowNs());
    device_.clock->sleepUntil(device_.playedUpToNs);
  }

 private:
  FakeDevice& device_;
};

inline std::unique_ptr<sound::SampleStream> FakeDevice::open(const sound::StreamShape& shape) {
  FakeDevice& d = current();
  ++d.opens;
  if (d.hangOpen) d.hang();
  d.clock->sleepUntil(d.clock->nowNs() + d.openTakesNs);
  if (d.refuseOpen) return nullptr;
  d.channels = shape.channels;
  d.rate = shape.sampleRate;
  return std::make_unique<FakeStream>(d);
}
