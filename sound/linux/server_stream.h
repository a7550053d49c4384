// Sample streams through a PulseAudio-compatible sound server (PulseAudio
// itself, or PipeWire's PulseAudio service), through its own client library,
// opened at run time: the server sees the application Lirkel, the stream's
// own name and the media role music, and the buffer is ours to size.
#pragma once

#include <string>

#include "sound/render/sample_stream.h"

namespace sound::server {

// Queued ahead of the ear: with every core busy, a server's own thread and
// ours are woken late now and then (holes of up to 13 ms were heard with
// 11 ms queued, none with 60).
constexpr unsigned queueMs = 60;

// A server's socket is there (asking a missing server costs tens of
// milliseconds) and its client library is installed.
bool running();
// The parts of that, for the check: PULSE_SERVER names a server, or the
// socket in XDG_RUNTIME_DIR (its path, empty without the variable) is there;
// the client library (libpulse-simple.so.0) opens.
std::string socketPath();
bool socketThere();
bool clientInstalled();
// Null when the server does not take the stream.
std::unique_ptr<SampleStream> openStream(const StreamShape& shape);

}  // namespace sound::server
