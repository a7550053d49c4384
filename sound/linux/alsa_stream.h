// Sample streams through ALSA's "default" device: a sound card, its mixer,
// or whatever the machine's ALSA configuration puts there.
#pragma once

#include "sound/linux/sample_stream.h"

namespace sound::alsa {

// Null when the device does not open or takes no such format.
std::unique_ptr<SampleStream> openStream(const StreamShape& shape);

}  // namespace sound::alsa
