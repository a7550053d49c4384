#include "driver/export.h"

#include <cstdio>
#include <functional>
#include <string_view>

#include "console/console.h"
#include "driver/play_argument.h"
#include "driver/usage.h"
#include "library/resolve.h"
#include "midi/midi_files.h"
#include "midi/midi_out.h"
#include "platform/platform.h"
#include "player/interpreter.h"
#include "sound/choice.h"
#include "sound/midi_file_writer.h"
#include "sound/outputs.h"
#include "sound/recording.h"
#include "sound/wav_writer.h"
#include "text/text_utils.h"

namespace {

enum class FileKind { unknown, midi, wav };

FileKind kindOf(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t separator = path.find_last_of("/\\");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
    return FileKind::unknown;
  }
  const ShortText extension = upcaseText(ShortText(std::string_view(path).substr(dot)));
  if (extension == ".MID" || extension == ".MIDI") return FileKind::midi;
  if (extension == ".WAV") return FileKind::wav;
  return FileKind::unknown;
}

int fail(const std::string& reason) {
  writeError(reason);
  return 1;
}

// "1:42.3": minutes, seconds and tenths.
std::string playingTime(std::int64_t ms) {
  const std::int64_t tenths = (ms + 50) / 100;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld.%lld", static_cast<long long>(tenths / 600),
                static_cast<long long>(tenths / 10 % 60), static_cast<long long>(tenths % 10));
  return text;
}

// Titles and lyrics kept in the recording at the time the tune has reached.
class RecordedText final : public TextTrack {
 public:
  using Clock = std::function<std::int64_t()>;  // where the tune has got to
  RecordedText(sound::Recording& recording, Clock clock)
      : recording_(recording), clock_(std::move(clock)) {}
  void title(std::string_view text) override { add(sound::RecordedEvent::Kind::title, text); }
  void lyric(std::string_view text) override { add(sound::RecordedEvent::Kind::lyric, text); }

 private:
  void add(sound::RecordedEvent::Kind kind, std::string_view text) {
    sound::RecordedEvent event;
    event.atMs = clock_();
    event.kind = kind;
    event.text = std::string(text);
    recording_.push_back(std::move(event));
  }
  sound::Recording& recording_;
  Clock clock_;
};

struct Resolved {
  ShortText text;
  std::uint16_t foundLine = 0;
  std::uint16_t randomLine = 0;
};

// What the MIDI variant sends for the tune, with its times, and its length.
std::int64_t recordMidi(const Resolved& tune, sound::Recording& recording) {
  resetMidiOut();
  midiOutState.timeline = sound::Timeline(sound::Timeline::Mode::counted);
  connectMidiOut(sound::recordMidi(recording, midiOutState.timeline));
  RecordedText text(recording, [] { return midiOutState.timeline.elapsedMs(); });
  recordNotation(tune.text, tune.foundLine, tune.randomLine, nullptr, text);
  const std::int64_t length = midiOutState.timeline.elapsedMs();
  resetMidiOut();
  return length;
}

// Samples written into the file as they come, after a header whose lengths
// are filled in at the end.
class WavFile final : public sound::SampleSink {
 public:
  explicit WavFile(platform::ReplacementFile& file) : file_(file) {}
  bool started() const { return channels_ != 0; }
  bool tooLong() const { return dataBytes_ > sound::largestWavData; }

  void start(unsigned sampleRate, unsigned channels) override {
    sampleRate_ = sampleRate;
    channels_ = channels;
    file_.append(sound::wavHeader(0, sampleRate, channels).data(), sound::wavHeaderBytes);
  }
  bool take(const std::vector<std::int16_t>& samples) override {
    dataBytes_ += samples.size() * 2;
    if (tooLong()) return false;
    if (sound::choice().volumePercent < 100) {
      scaled_ = samples;
      sound::applyVolume(scaled_.data(), scaled_.size());
      sound::wavData(scaled_, bytes_);
    } else {
      sound::wavData(samples, bytes_);
    }
    file_.append(bytes_);
    return file_.problem().empty();
  }
  void finish() {
    const auto header =
        sound::wavHeader(static_cast<std::uint32_t>(dataBytes_), sampleRate_, channels_);
    file_.overwrite(0, header.data(), header.size());
  }

 private:
  platform::ReplacementFile& file_;
  unsigned sampleRate_ = 0;
  unsigned channels_ = 0;
  std::uint64_t dataBytes_ = 0;
  std::vector<std::uint8_t> bytes_;  // of one block at a time
  std::vector<std::int16_t> scaled_;  // the block at the chosen volume
};

// Writes the tune into the file and answers its playing time.
std::int64_t writeTune(FileKind kind, const Resolved& tune, const std::string& path,
                       platform::ReplacementFile& file, WavFile& wav) {
  sound::Recording recording;
  if (kind == FileKind::midi) {
    const std::int64_t lengthMs = recordMidi(tune, recording);
    file.append(sound::midiFile(recording, lengthMs));
    return lengthMs;
  }
  if (sound::canRenderMidi()) {
    const std::int64_t lengthMs = recordMidi(tune, recording);
    std::string about;  // the SoundFont, when the failure is about it
    const sound::Failure failure = sound::renderMidi(recording, lengthMs, wav, about);
    if (!failure) return lengthMs;
    // As a run that plays does: one line, then the tones.
    const std::string why = platform::translated(*failure);
    writeError(about.empty() ? message("%s: %s It gets the tones instead.", {path, why})
                             : message("%s: %s %s gets the tones instead.", {about, why, path}));
    recording.clear();
  }
  sound::ToneRecording tones(wav);
  RecordedText text(recording, [&tones] { return tones.elapsedMs(); });
  recordNotation(tune.text, tune.foundLine, tune.randomLine, &tones, text);
  return tones.elapsedMs();
}

}  // namespace

int exportTune(const std::string& path, const std::vector<std::string>& tuneArguments) {
  if (path.empty()) return usageError(message("--export needs a file name: lirkel --export FILE TUNE"));
  if (tuneArguments.empty()) {
    return usageError(message("--export needs a tune after the file name: note text, a title, + or -"));
  }
  const FileKind kind = kindOf(path);
  if (kind == FileKind::unknown) {
    return fail(message("cannot tell what to write from the name %s (it ends in .mid, .midi or .wav)",
                        {path}));
  }
  Resolved tune{joinArguments(tuneArguments)};
  reportCutArguments(tuneArguments);
  if (requestOf(tune.text) != Request::tune) {
    return fail(message("--export needs a tune after the file name: note text, a title, + or -"));
  }
  resolveArgument(false, tune.text, tune.foundLine, tune.randomLine);
  if (const MidiTitle* title = midiTitleNamed(tune.text)) {
    return fail(message("%s names a MIDI file, which is not exported", {title->title}));
  }
  // Streamed to the disk as it is made: a long tune never lies in memory whole.
  platform::ReplacementFile file(path);
  if (!file.problem().empty()) return fail(message("cannot write %s: %s", {path, file.problem()}));
  WavFile wav(file);
  const std::int64_t lengthMs = writeTune(kind, tune, path, file, wav);
  if (wav.tooLong()) {
    return fail(message("cannot write %s: the sound is too long for a WAV file", {path}));
  }
  if (wav.started()) wav.finish();
  if (!file.finish().empty()) return fail(message("cannot write %s: %s", {path, file.problem()}));
  writeTextLine(ShortText(message("Wrote %s, %s", {path, playingTime(lengthMs)})));
  return 0;
}
