#include "driver/export.h"

#include <cstdio>
#include <functional>
#include <string_view>

#include "console/console.h"
#include "driver/program.h"
#include "library/resolve.h"
#include "midi/midi_files.h"
#include "midi/midi_out.h"
#include "platform/platform.h"
#include "player/interpreter.h"
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
  platform::writeStderr("lirkel: " + reason);
  platform::writeStderr(platform::lineBreak());
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

// The file's bytes and the tune's playing time, or the reason there are none.
std::string render(FileKind kind, const Resolved& tune, std::vector<std::uint8_t>& bytes,
                   std::int64_t& lengthMs) {
  sound::Recording recording;
  if (kind == FileKind::midi) {
    lengthMs = recordMidi(tune, recording);
    bytes = sound::midiFile(recording, lengthMs);
    return {};
  }
  if (sound::canRenderMidi()) {
    lengthMs = recordMidi(tune, recording);
    sound::RenderedSound sound;
    if (const sound::Failure failure = sound::renderMidi(recording, lengthMs, sound)) {
      return *failure;
    }
    bytes = sound::wavFile(sound.samples, sound.sampleRate, sound.channels);
    return {};
  }
  sound::ToneRecording tones;
  RecordedText text(recording, [&tones] { return tones.elapsedMs(); });
  recordNotation(tune.text, tune.foundLine, tune.randomLine, &tones, text);
  lengthMs = tones.elapsedMs();
  bytes = sound::wavFile(tones.samples(), sound::ToneGenerator::sampleRate, 1);
  return {};
}

}  // namespace

int exportTune(const std::vector<std::string>& arguments) {
  if (arguments.empty() || arguments.front().empty()) {
    return fail("--export needs a file name: lirkel --export FILE TUNE");
  }
  const std::string& path = arguments.front();
  const FileKind kind = kindOf(path);
  if (kind == FileKind::unknown) {
    return fail("cannot tell what to write from the name " + path +
                " (it ends in .mid, .midi or .wav)");
  }
  const std::vector<std::string> tuneArguments(arguments.begin() + 1, arguments.end());
  Resolved tune{joinArguments(tuneArguments)};
  reportCutArguments(tuneArguments);
  if (requestOf(tune.text) != Request::tune) {
    return fail("--export needs a tune after the file name: note text, a title, + or -");
  }
  resolveArgument(false, tune.text, tune.foundLine, tune.randomLine);
  if (const MidiTitle* title = midiTitleNamed(tune.text)) {
    return fail(std::string(title->title) + " names a MIDI file, which is not exported");
  }
  std::vector<std::uint8_t> bytes;
  std::int64_t lengthMs = 0;
  if (const std::string failure = render(kind, tune, bytes, lengthMs); !failure.empty()) {
    return fail("cannot render " + path + ": " + failure);
  }
  if (const std::string failure = platform::replaceFile(path, bytes); !failure.empty()) {
    return fail("cannot write " + path + ": " + failure);
  }
  writeTextLine(ShortText("Wrote " + path + ", " + playingTime(lengthMs)));
  return 0;
}
