#include "sound/recorder/recorder.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/fake/fake_platform.h"
#include "sound/back_ends.h"

namespace sound::recorder {
namespace {

struct State {
  Script script;
  std::int64_t fileStartedAtMs = -1;
  std::int64_t dueMs = 0;
  std::vector<Sent> sent;
};

State& state() {
  static State s;
  return s;
}

Failure midiError(unsigned code) {
  if (code == 0) return {};
  return "MIDI error " + std::to_string(code) + ".";
}

Failure fileError(unsigned code) {
  if (code == 0) return {};
  return "Sequencer error " + std::to_string(code) + ".";
}

class RecordedMidi final : public MidiOutput {
 public:
  ~RecordedMidi() override { fake::record("closeMidiOutput"); }
  Failure noteOn(int channel, int note, int velocity) override {
    fake::record("noteOn", {channel, note, velocity});
    taken();
    return midiError(state().script.noteOnError);
  }
  Failure noteOff(int channel, int note, int velocity) override {
    fake::record("noteOff", {channel, note, velocity});
    taken();
    return midiError(state().script.noteOffError);
  }
  Failure programChange(int channel, int program) override {
    fake::record("programChange", {channel, program});
    taken();
    return {};
  }
  void allSoundOff() override { fake::record("allSoundOff"); }
  unsigned leadMs() const override { return state().script.midiLeadMs; }
  void dueAt(std::int64_t clockMs) override { state().dueMs = clockMs; }

 private:
  static void taken() { state().sent.push_back({fake::nowMs(), state().dueMs}); }
};

class RecordedFilePlayer final : public MidiFilePlayer {
 public:
  ~RecordedFilePlayer() override {
    if (open_) stop();
  }
  Failure open(const std::string& path) override {
    fake::record("openMidiFile", {}, path);
    if (const Failure failure = fileError(state().script.fileOpenError)) return failure;
    if (state().script.filePortMissing) {
      fake::record("stopMidiFile");
      return std::string();
    }
    open_ = true;
    return {};
  }
  Failure start() override {
    fake::record("startMidiFile");
    if (const Failure failure = fileError(state().script.fileStartError)) return failure;
    state().fileStartedAtMs = fake::nowMs();
    return {};
  }
  bool playing() override {
    const std::int64_t started = state().fileStartedAtMs;
    return started >= 0 && fake::nowMs() < started + state().script.fileLengthMs;
  }
  void stop() override {
    fake::record("stopMidiFile");
    state().fileStartedAtMs = -1;
    open_ = false;
  }

 private:
  bool open_ = false;
};

// Tones on a device that opens, or does not, as a stream's do: asked, or
// found out during the first tone.
class RecordedTones final : public ToneOutput {
 public:
  explicit RecordedTones(bool opens) : opens_(opens) {}
  void tone(unsigned frequencyHz, unsigned lengthMs) override {
    fake::record("tone", {frequencyHz, lengthMs});
    if (say_ && !opens_) say_();
    say_ = nullptr;
    fake::advanceClockUntilKey(lengthMs);
  }
  void rest(unsigned lengthMs) override {
    fake::record("rest", {lengthMs});
    fake::advanceClockUntilKey(lengthMs);
  }
  void stop() override { fake::record("stopTones"); }
  bool opened() override {
    fake::record("waitForTones");
    return opens_;
  }
  void sayIfNotOpened(std::function<void()> say) override { say_ = std::move(say); }

 private:
  bool opens_;
  std::function<void()> say_;
};

}  // namespace

Script& script() { return state().script; }

void reset() { state() = State{}; }

const std::vector<Sent>& sentMessages() { return state().sent; }

const char* noMidiDevice() {
  fake::record("midiDevices");
  return state().script.midiDevices > 0 ? nullptr : "no MIDI device";
}

OpenedMidi openMidiOutput() {
  fake::record("openMidiOutput");
  if (const Failure failure = midiError(state().script.midiOpenError)) return {nullptr, failure};
  if (state().script.midiWithoutDevice) {
    return {nullptr, "No audio device could be opened for MIDI output.", {}, true};
  }
  return {std::make_unique<RecordedMidi>(), {}};
}

std::unique_ptr<MidiFilePlayer> openFilePlayer() { return std::make_unique<RecordedFilePlayer>(); }

const char* noServer() { return state().script.server ? nullptr : "no sound server is running"; }

std::unique_ptr<ToneOutput> openServerTones() {
  fake::record("openTones", {}, "server");
  return std::make_unique<RecordedTones>(true);
}

std::unique_ptr<ToneOutput> openTones() {
  fake::record("openTones", {}, "device");
  return std::make_unique<RecordedTones>(state().script.audioDevice);
}

bool hasRenderer() { return state().script.renderer; }

Failure render(const Recording&, std::int64_t endMs, SampleSink& sink, std::string&) {
  fake::record("render", {endMs});
  if (!state().script.renderFailure.empty()) return state().script.renderFailure;
  sink.start(1000, 1);
  // In blocks of 100 frames, as a renderer hands them over.
  for (std::int64_t at = 0; at < endMs; at += 100) {
    const auto frames = static_cast<std::size_t>(std::min<std::int64_t>(100, endMs - at));
    const std::vector<std::int16_t> block(frames, 1000);
    if (!sink.take(block)) break;
  }
  return {};
}

}  // namespace sound::recorder
