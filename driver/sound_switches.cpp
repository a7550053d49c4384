#include "driver/sound_switches.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "console/console.h"
#include "driver/play_argument.h"
#include "platform/platform.h"
#include "sound/choice.h"
#include "sound/outputs.h"

namespace {

// A switch's value, else the variable's (when set and not empty), with the
// name of where it came from; nothing when neither is given.
std::optional<std::pair<std::string, std::string>> given(const std::optional<std::string>& value,
                                                         const char* switchName,
                                                         const char* variable) {
  if (value) return std::pair{*value, std::string(switchName)};
  std::string text = platform::environmentVariable(variable);
  if (text.empty()) return std::nullopt;
  return std::pair{std::move(text), std::string(variable)};
}

constexpr std::array<std::pair<std::string_view, sound::SoundKind>, 4> kinds = {{
    {"synth", sound::SoundKind::synth},
    {"tones", sound::SoundKind::tones},
    {"silent", sound::SoundKind::silent},
    {"off", sound::SoundKind::off},
}};

std::optional<unsigned> percent(const std::string& text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 100) return std::nullopt;
  return value;
}

// Names may not be empty when given as a switch: "--soundfont=" is a slip.
std::string emptyValue(const std::optional<std::string>& value, const char* name) {
  if (value && value->empty()) return message("option '%s' requires an argument", {name});
  return {};
}

}  // namespace

std::string chooseSound(const CommandLine& line) {
  sound::Choice chosen;
  for (const auto& [value, name] : {std::pair{&line.soundFont, "--soundfont"},
                                    std::pair{&line.device, "--device"}}) {
    if (std::string problem = emptyValue(*value, name); !problem.empty()) return problem;
  }
  if (const auto sound = given(line.sound, "--sound", "LIRKEL_SOUND")) {
    const auto known = std::find_if(kinds.begin(), kinds.end(),
                                    [&](const auto& kind) { return kind.first == sound->first; });
    if (known == kinds.end()) {
      return message("invalid sound '%s' for '%s': synth, tones, silent or off",
                     {sound->first, sound->second});
    }
    chosen.sound = known->second;
    chosen.soundFrom = sound->second;
  }
  if (const auto font = given(line.soundFont, "--soundfont", "LIRKEL_SOUNDFONT")) {
    chosen.soundFont = font->first;
    chosen.soundFontFrom = font->second;
  }
  if (const auto device = given(line.device, "--device", "LIRKEL_DEVICE")) {
    chosen.device = device->first;
    chosen.deviceFrom = device->second;
  }
  if (const auto volume = given(line.volume, "--volume", "LIRKEL_VOLUME")) {
    const std::optional<unsigned> value = percent(volume->first);
    if (!value) {
      return message("invalid volume '%s' for '%s': a whole number from 0 to 100",
                     {volume->first, volume->second});
    }
    chosen.volumePercent = *value;
    chosen.volumeFrom = volume->second;
  }
  sound::choose(std::move(chosen));
  return {};
}

int checkSound(const std::vector<std::string>& tune) {
  const sound::SoundCheck check = sound::checkSound();
  const int status = check.audible ? 0 : 1;
  platform::setReaderGoneStatus(status);
  for (const sound::CheckLine& line : check.lines) {
    std::vector<std::string> values;
    for (const sound::CheckValue& value : line.values) {
      values.push_back(value.words ? platform::translated(value.text) : value.text);
    }
    // Paths may be longer than a line of the console's own texts.
    platform::writeStdout(messageWith(line.text, values));
    platform::writeStdout(platform::lineBreak());
  }
  if (!tune.empty()) {
    platform::flushStdout();
    playArgument(true, joinArguments(tune));
  }
  return status;
}
