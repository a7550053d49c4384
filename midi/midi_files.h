// Standard MIDI Files: eighteen known titles and any argument that names a
// file are looked for on disk and played by the sequencer until a key.
#pragma once

#include "console/short_text.h"

// 255: nothing was played; 0: a file was found but failed; else the key
// that stopped it.
unsigned char tryMidiFiles(ShortText text);
