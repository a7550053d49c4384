// The tone output that always opens: every tone and rest takes its time in
// silence, so a machine without sound still plays a tune's lyrics in time.
#pragma once

#include <memory>

#include "sound/tone_output.h"

namespace sound {

std::unique_ptr<ToneOutput> openSilence();

}  // namespace sound
