// Where the sound of a run goes: a way of opening a sample stream (a sound
// server's, ALSA's) and how far ahead of the ear the renderer writes into it.
#pragma once

#include <memory>

#include "sound/render/guarded_stream.h"
#include "sound/render/renderer.h"

namespace sound {

struct StreamWay {
  StreamOpener open;
  unsigned queueMs;
};

// The stream for a renderer: it holds the queue, so a write waits for room
// at most a moment, and no more: a device that plays only what overflows
// its buffer (ALSA's capture into a file) lags by what it holds beyond what
// is queued.
StreamShape streamShape(const char* name, const RenderShape& render);

// Starts opening a stream that way, behind a guard (guarded_stream.h),
// once what the process shares is set up for it.
std::unique_ptr<GuardedStream> startOpening(const StreamWay& way, const StreamShape& shape);

}  // namespace sound
