// The synthesizer reads its SoundFont's headers through a memory map: they
// are parsed in many reads of a few bytes each, which through the C
// library's buffered reading cost a call and a lock apiece. Sample data, read
// in large blocks, is read as before.
#pragma once

#include "sound/linux/fluid_library.h"

namespace sound::fluid {

// Gives the synthesizer a SoundFont loader that reads so (where the file
// does not map, with plain reads); it is tried before the synthesizer's own.
void readSoundFontsMapped(const Library& fluid, fluid_settings_t* settings, fluid_synth_t* synth);

}  // namespace sound::fluid
