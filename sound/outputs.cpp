#include "sound/outputs.h"

#include "sound/choice.h"

#include <span>

namespace sound {
namespace {

// The back end that gave the last MIDI output; the one that plays files.
const MidiBackEnd* lastMidiBackEnd = nullptr;
// A MIDI output that found no device: said with the tones' outcome, which
// tries the same devices.
OpenedMidi heldBack;

// Why the user's choice passes over a row, or null when it lets it play.
// The one place where the choice filters the preference table.
const char* passedOver(Route route, bool midi) {
  const Choice& chosen = choice();
  if (midi) {
    switch (chosen.sound) {
      case SoundKind::tones: return phrase("tones were chosen");
      case SoundKind::silent: return phrase("silence was chosen");
      case SoundKind::off: return phrase("the sound is off");
      default: break;
    }
  } else if (route != Route::silence && quietAsked()) {
    return chosen.sound == SoundKind::off ? phrase("the sound is off") : phrase("silence was chosen");
  }
  if (chosen.device.empty() || route == Route::silence || route == Route::system) return nullptr;
  if (chosen.device == serverDevice) {
    return route == Route::alsa ? phrase("the sound server was chosen as the device") : nullptr;
  }
  return route == Route::server ? phrase("an ALSA device was chosen") : nullptr;
}

// Why a row is not tried: the choice passes over it, or it has nothing to
// offer on this machine; null when it is tried.
template <typename Row>
const char* notTried(const Row& row, bool midi) {
  if (const char* why = passedOver(row.route, midi)) return why;
  return row.absent != nullptr ? row.absent() : nullptr;
}

// Tones that take no time: the text of the tune comes at once.
class NoSound final : public ToneOutput {
 public:
  void tone(unsigned, unsigned) override {}
  void rest(unsigned) override {}
};

constexpr const char* offLabel = phrase("nothing, at once: the sound is off");

// That nothing audible plays, when the user did not ask for that.
void sayItIsSilent(OpenedTones& opened) {
  const std::string& device = choice().device;
  if (device.empty()) {
    opened.failure = "No audio device could be opened: the tune keeps its time in silence.";
  } else {
    opened.failure = "The audio device could not be opened: the tune keeps its time in silence.";
    opened.about = device;
  }
}

CheckValue words(const char* english) { return {english, true}; }

void describeChoice(std::vector<CheckLine>& lines) {
  const Choice& chosen = choice();
  static constexpr const char* kinds[] = {"", "synth", "tones", "silent", "off"};
  if (chosen.sound != SoundKind::automatic) {
    lines.push_back({phrase("The sound chosen by %s: %s."),
                     {{chosen.soundFrom}, {kinds[static_cast<int>(chosen.sound)]}}});
  }
  if (!chosen.device.empty()) {
    lines.push_back({phrase("The device chosen by %s: %s."), {{chosen.deviceFrom}, {chosen.device}}});
  }
  if (chosen.volumePercent != 100) {
    lines.push_back({phrase("The volume chosen by %s: %s of 100."),
                     {{chosen.volumeFrom}, {std::to_string(chosen.volumePercent)}}});
  }
}

// The line of a row that did not play, and why.
template <typename Row>
bool passedOverInCheck(const Row& row, bool midi, std::vector<CheckLine>& lines) {
  const char* why = notTried(row, midi);
  if (why == nullptr) return false;
  lines.push_back({phrase("Passed over %s: %s."), {words(row.label), words(why)}});
  return true;
}

void tried(const char* label, const Failure& failure, const std::string& about,
           std::vector<CheckLine>& lines) {
  const CheckValue why = failure && !failure->empty() ? words(failure->c_str())
                                                       : words(phrase("it did not open."));
  if (about.empty()) {
    lines.push_back({phrase("Tried %s: %s"), {words(label), why}});
  } else {
    lines.push_back({phrase("Tried %s: %s: %s"), {words(label), {about}, why}});
  }
}

void plays(const char* label, Route route, SoundCheck& check) {
  if (route == Route::silence) {
    check.lines.push_back({phrase("Plays nothing audible: %s."), {words(label)}});
    return;
  }
  if (choice().volumePercent == 0) {
    check.lines.push_back({phrase("Plays %s, at volume 0: nothing audible."), {words(label)}});
    return;
  }
  check.lines.push_back({phrase("Plays %s."), {words(label)}});
  check.audible = true;
}

}  // namespace

OpenedMidi openMidiOutput() {
  heldBack = {};
  OpenedMidi last;  // of the last row tried
  for (const MidiBackEnd& backEnd : preferences().midi) {
    if (notTried(backEnd, true) != nullptr) continue;
    OpenedMidi opened = backEnd.open();
    if (opened.output != nullptr) {
      lastMidiBackEnd = &backEnd;
      return opened;
    }
    last = std::move(opened);  // the next one may still open
  }
  if (last.noDevice) {
    heldBack = std::move(last);
    return {};
  }
  if (!last.failure && choice().sound == SoundKind::synth) {
    last.failure = "The synthesizer cannot play here.";
  }
  return last;
}

std::unique_ptr<MidiFilePlayer> openMidiFilePlayer() {
  if (lastMidiBackEnd != nullptr && lastMidiBackEnd->openFilePlayer != nullptr) {
    return lastMidiBackEnd->openFilePlayer();
  }
  for (const MidiBackEnd& backEnd : preferences().midi) {
    if (backEnd.openFilePlayer != nullptr) return backEnd.openFilePlayer();
  }
  return nullptr;
}

// Whether no row after the one at `row` but silence would be tried.
bool lastAudible(const std::span<const ToneBackEnd> rows, std::size_t row) {
  for (std::size_t later = row + 1; later < rows.size(); ++later) {
    if (rows[later].route != Route::silence && notTried(rows[later], false) == nullptr) return false;
  }
  return true;
}

OpenedTones openToneOutput(SayFailure sayLater) {
  OpenedTones opened;
  if (choice().sound == SoundKind::off) {
    opened.output = std::make_unique<NoSound>();
    return opened;
  }
  const std::span<const ToneBackEnd> rows = preferences().tones;
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const ToneBackEnd& backEnd = rows[row];
    if (notTried(backEnd, false) != nullptr) continue;
    opened.output = backEnd.open();
    if (opened.output == nullptr) continue;
    if (backEnd.route == Route::silence) {
      if (!quietAsked()) sayItIsSilent(opened);
      break;
    }
    // The last row before silence need not be waited for: silence would only
    // keep the time, as these tones do without a device. When a synthesizer
    // found no device, its line is said with these tones or replaced by the
    // silence after them, so they are waited for.
    if (!heldBack.failure && sayLater != nullptr && lastAudible(rows, row)) {
      opened.output->sayIfNotOpened([sayLater] {
        OpenedTones silent;
        sayItIsSilent(silent);
        sayLater(*silent.failure, silent.about);
      });
    } else if (!opened.output->opened()) {
      opened.output.reset();
      continue;
    }
    if (heldBack.failure) {
      opened.failure = std::move(heldBack.failure);
      opened.about = std::move(heldBack.about);
    }
    break;
  }
  heldBack = {};
  return opened;
}

namespace {

const RendererBackEnd* firstRenderer() {
  if (choice().sound == SoundKind::tones) return nullptr;
  for (const RendererBackEnd& backEnd : preferences().renderers) {
    if (backEnd.present()) return &backEnd;
  }
  return nullptr;
}

}  // namespace

bool canRenderMidi() { return firstRenderer() != nullptr; }

Failure renderMidi(const Recording& recording, std::int64_t endMs, SampleSink& sink,
                   std::string& about) {
  const RendererBackEnd* renderer = firstRenderer();
  if (renderer == nullptr) return "Nothing here can render MIDI into sound.";
  return renderer->render(recording, endMs, sink, about);
}

SoundCheck checkSound() {
  SoundCheck check;
  std::vector<CheckLine>& lines = check.lines;
  describeChoice(lines);
  if (preferences().describe != nullptr) preferences().describe(lines);
  if (choice().sound == SoundKind::off) {
    plays(offLabel, Route::silence, check);
    return check;
  }
  for (const MidiBackEnd& backEnd : preferences().midi) {
    if (passedOverInCheck(backEnd, true, lines)) continue;
    OpenedMidi opened = backEnd.open();
    if (opened.output != nullptr) {
      opened.output.reset();
      plays(backEnd.label, backEnd.route, check);
      closeAll();
      return check;
    }
    tried(backEnd.label, opened.failure, opened.about, lines);
  }
  for (const ToneBackEnd& backEnd : preferences().tones) {
    if (passedOverInCheck(backEnd, false, lines)) continue;
    if (std::unique_ptr<ToneOutput> output = backEnd.open(); output && output->opened()) {
      output.reset();
      plays(backEnd.label, backEnd.route, check);
      break;
    }
    tried(backEnd.label, {}, {}, lines);
  }
  closeAll();
  return check;
}

void closeAll() {
  for (const ToneBackEnd& backEnd : preferences().tones) {
    if (backEnd.release != nullptr) backEnd.release();
  }
  for (const MidiBackEnd& backEnd : preferences().midi) {
    if (backEnd.release != nullptr) backEnd.release();
  }
  lastMidiBackEnd = nullptr;
  heldBack = {};
}

}  // namespace sound
