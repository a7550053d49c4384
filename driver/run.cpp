#include "driver/run.h"

#include <string>

#include "console/console.h"
#include "driver/play_argument.h"
#include "driver/usage.h"
#include "library/resolve.h"
#include "platform/platform.h"

namespace {

// The tune for one outcome: the switch, else the variable when it is set
// (and not empty), else the default. An empty switch plays nothing.
struct Tune {
  std::string text;
  std::string problem;  // a usage error: what was given is no tune
};

Tune tuneFor(const std::optional<std::string>& given, const char* variable,
             std::string_view fallback, std::string_view switchName) {
  if (given && given->empty()) return {};
  std::string text = given ? *given : platform::environmentVariable(variable);
  const std::string_view from = given ? switchName : std::string_view(variable);
  if (text.empty()) text = std::string(fallback);
  if (requestOf(joinArguments({text})) != Request::tune) {
    return {{}, message("'%s' needs a tune: note text, a title, + or -", {from})};
  }
  return {text, {}};
}

}  // namespace

int runAndPlay(const CommandLine& line) {
  // Both are read before the command runs, so that a wrong one is told at
  // once, not after a long build.
  const Tune success =
      tuneFor(line.onSuccess, "LIRKEL_ON_SUCCESS", defaultSuccessTune, "--on-success");
  const Tune failure =
      tuneFor(line.onFailure, "LIRKEL_ON_FAILURE", defaultFailureTune, "--on-failure");
  if (!success.problem.empty()) return usageError(success.problem);
  if (!failure.problem.empty()) return usageError(failure.problem);

  const platform::CommandEnd end = platform::runCommand(line.firstOperand);
  if (!end.started) {
    writeError(message("cannot run '%s': %s", {line.operands.front(), end.problem}));
  }
  if (end.interrupted || end.elapsedMs < line.ifLongerMs) return end.status;
  const std::string& tune = end.status == 0 ? success.text : failure.text;
  if (!tune.empty()) {
    startConsole();
    playArgument(true, joinArguments({tune}));
  }
  return end.status;
}
