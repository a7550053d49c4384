#include "driver/command_line.h"

#include <array>
#include <string_view>

#include "console/console.h"

namespace {

enum class Value { none, required };

struct Switch {
  std::string_view name;
  Value value;
};

constexpr std::array<Switch, 16> switches = {{
    {"--help", Value::none},
    {"-h", Value::none},
    {"--version", Value::none},
    {"--titles", Value::none},
    {"--export", Value::required},
    {"--check", Value::none},
    {"--run", Value::none},
    {"--on-success", Value::required},
    {"--on-failure", Value::required},
    {"--if-longer", Value::required},
    {"--sound", Value::required},
    {"--soundfont", Value::required},
    {"--device", Value::required},
    {"--volume", Value::required},
    {"--sound-check", Value::none},
    {"--", Value::none},
}};

const Switch* switchNamed(std::string_view name) {
  for (const Switch& known : switches) {
    if (known.name == name) return &known;
  }
  return nullptr;
}

bool looksLikeSwitch(const std::string& argument) {
  return argument.size() > 1 && argument.front() == '-';
}

bool isRunSwitch(std::string_view name) {
  return name == "--on-success" || name == "--on-failure" || name == "--if-longer";
}

// The switch's place in the line when it chooses the sound, else null.
std::optional<std::string>* soundSwitch(CommandLine& line, std::string_view name) {
  if (name == "--sound") return &line.sound;
  if (name == "--soundfont") return &line.soundFont;
  if (name == "--device") return &line.device;
  if (name == "--volume") return &line.volume;
  return nullptr;
}

CommandLine failed(std::string error) {
  CommandLine line;
  line.usageError = std::move(error);
  return line;
}

CommandLine only(Task task) {
  CommandLine line;
  line.task = task;
  return line;
}

}  // namespace

std::optional<std::int64_t> secondsAsMs(const std::string& text) {
  std::int64_t ms = 0;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (ms > 1'000'000'000) return std::nullopt;
    ms = ms * 10 + (text[i] - '0');
  }
  if (i == 0) return std::nullopt;
  ms *= 1000;
  if (i < text.size() && text[i] == '.') {
    // Milliseconds are the finest step; further digits are read and dropped.
    std::int64_t scale = 100;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10) {
      ms += (text[i] - '0') * scale;
    }
  }
  if (i != text.size()) return std::nullopt;
  return ms;
}

CommandLine readCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  std::string taskSwitch;  // the switch that chose the task
  std::string runSwitch;   // the first switch that only goes with --run
  bool ended = false;      // "--" was given
  std::size_t i = 0;
  for (; i < arguments.size() && looksLikeSwitch(arguments[i]); ++i) {
    const std::string& argument = arguments[i];
    const std::size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
    const std::string name = argument.substr(0, equals);
    const Switch* known = switchNamed(name);
    if (known == nullptr) return failed(message("unknown option '%s'", {name}));
    if (name == "--") {
      ended = true;
      ++i;
      break;
    }
    if (known->value == Value::none && equals != std::string::npos) {
      return failed(message("option '%s' takes no value", {name}));
    }
    std::string value;
    if (known->value == Value::required) {
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        return failed(message("option '%s' requires an argument", {name}));
      }
    }
    // These answer at once, whatever follows them.
    if (name == "--help" || name == "-h") return only(Task::help);
    if (name == "--version") return only(Task::version);
    if (isRunSwitch(name)) {
      if (runSwitch.empty()) runSwitch = name;
      if (name == "--on-success") line.onSuccess = value;
      if (name == "--on-failure") line.onFailure = value;
      if (name == "--if-longer") {
        const std::optional<std::int64_t> ms = secondsAsMs(value);
        if (!ms) return failed(message("invalid number of seconds for '%s': '%s'", {name, value}));
        line.ifLongerMs = *ms;
      }
      continue;
    }
    if (std::optional<std::string>* chosen = soundSwitch(line, name)) {
      *chosen = value;  // the last one given counts
      continue;
    }
    const Task task = name == "--titles"        ? Task::titles
                      : name == "--check"       ? Task::check
                      : name == "--run"         ? Task::run
                      : name == "--sound-check" ? Task::soundCheck
                                                : Task::exportTune;
    if (!taskSwitch.empty() && line.task != task) {
      return failed(message("'%s' cannot be used with '%s'", {name, taskSwitch}));
    }
    taskSwitch = name;
    line.task = task;
    if (task == Task::exportTune) line.exportFile = value;
    // The command begins with the first argument that is no switch.
    if (task == Task::run && i + 1 < arguments.size() && !looksLikeSwitch(arguments[i + 1])) {
      ++i;
      break;
    }
  }
  line.firstOperand = i;
  line.operands.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());

  if (line.task != Task::run && !runSwitch.empty()) {
    return failed(message("option '%s' goes with '--run'", {runSwitch}));
  }
  if (line.task == Task::run) {
    if (line.operands.empty()) return failed(message("option '--run' needs a command to run"));
    return line;  // everything from the command on is the command's
  }
  if (!ended) {
    // A switch after the tune: the tune would take it for notes.
    for (const std::string& operand : line.operands) {
      if (operand.size() <= 2 || operand.rfind("--", 0) != 0) continue;
      const std::string name = operand.substr(0, operand.find('='));
      if (switchNamed(name) == nullptr) return failed(message("unknown option '%s'", {name}));
      return failed(message("option '%s' after the tune: switches come first", {name}));
    }
  }
  if (line.task == Task::titles && !line.operands.empty()) {
    return failed(message("unexpected argument '%s' after '--titles'", {line.operands.front()}));
  }
  return line;
}
