// What a sound call answers: nothing when it worked, else the system's own
// text for what failed, which the caller shows on a line of its own. An
// empty text is a failure with nothing to say.
#pragma once

#include <optional>
#include <string>

namespace sound {

using Failure = std::optional<std::string>;

}  // namespace sound
