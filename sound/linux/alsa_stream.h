// Sample streams through an ALSA device: the one the user chose, else
// "default" (a sound card, its mixer, or whatever the machine's ALSA
// configuration puts there).
#pragma once

#include <string>

#include "sound/render/sample_stream.h"

namespace sound::alsa {

// Queued ahead of the ear: enough to ride out a busy scheduler, little
// enough that a key stops the sound within 50 ms (the queue plays out, then
// a fade of 5 ms).
constexpr unsigned queueMs = 30;

// The PCM name streams open (Windows-1252, as the choice holds it).
std::string deviceName();
// Null when the device does not open or takes no such format.
std::unique_ptr<SampleStream> openStream(const StreamShape& shape);

}  // namespace sound::alsa
