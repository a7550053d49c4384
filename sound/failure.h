// What a sound call answers: nothing when it worked, else the system's own
// text for what failed, which the caller shows on a line of its own. An
// empty text is a failure with nothing to say.
#pragma once

#include <optional>
#include <string>

namespace sound {

using Failure = std::optional<std::string>;

// Marks an English text of the sound back ends that is shown in the user's
// language (a label, a reason, a line of --sound-check), so that the
// catalogue's template finds it; the caller translates it where it is shown.
constexpr const char* phrase(const char* english) { return english; }

}  // namespace sound
