#include "sound/outputs.h"

namespace sound {
namespace {

// The back end that gave the last MIDI output; the one that plays files.
const MidiBackEnd* lastMidiBackEnd = nullptr;

}  // namespace

OpenedMidi openMidiOutput() {
  Failure failure;
  for (const MidiBackEnd& backEnd : preferences().midi) {
    if (!backEnd.present()) continue;
    OpenedMidi opened = backEnd.open();
    if (opened.output != nullptr) {
      lastMidiBackEnd = &backEnd;
      return opened;
    }
    failure = std::move(opened.failure);  // the next one may still open
  }
  return {nullptr, std::move(failure)};
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

std::unique_ptr<ToneOutput> openToneOutput() {
  for (const ToneBackEnd& backEnd : preferences().tones) {
    if (std::unique_ptr<ToneOutput> output = backEnd.open()) return output;
  }
  return nullptr;  // unreachable with a table whose last entry always opens
}

namespace {

const RendererBackEnd* firstRenderer() {
  for (const RendererBackEnd& backEnd : preferences().renderers) {
    if (backEnd.present()) return &backEnd;
  }
  return nullptr;
}

}  // namespace

bool canRenderMidi() { return firstRenderer() != nullptr; }

Failure renderMidi(const Recording& recording, std::int64_t endMs, SampleSink& sink) {
  const RendererBackEnd* renderer = firstRenderer();
  if (renderer == nullptr) return "Nothing here can render MIDI into sound.";
  return renderer->render(recording, endMs, sink);
}

void closeAll() {
  for (const ToneBackEnd& backEnd : preferences().tones) {
    if (backEnd.release != nullptr) backEnd.release();
  }
  for (const MidiBackEnd& backEnd : preferences().midi) {
    if (backEnd.release != nullptr) backEnd.release();
  }
  lastMidiBackEnd = nullptr;
}

}  // namespace sound
