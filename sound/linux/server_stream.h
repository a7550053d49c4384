// Sample streams through a PulseAudio-compatible sound server (PulseAudio
// itself, or PipeWire's PulseAudio service), through its own client library,
// opened at run time: the server sees the application Lirkel, the stream's
// own name and the media role music, and the buffer is ours to size.
#pragma once

#include "sound/linux/sample_stream.h"

namespace sound::server {

// A server's socket is there (asking a missing server costs tens of
// milliseconds) and its client library is installed.
bool running();
// Null when the server does not take the stream.
std::unique_ptr<SampleStream> openStream(const StreamShape& shape);

}  // namespace sound::server
