// The engine's clock on Linux: CLOCK_MONOTONIC, which every wait of the
// program reads. The engine's threads take no terminating signal, so those
// always reach the main thread; and the main thread's waits for the engine
// watch for them, and end the process as every other wait of it does.
#pragma once

#include "sound/render/engine_clock.h"

namespace sound {

EngineClock& systemClock();

}  // namespace sound
