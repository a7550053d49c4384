// Times each step of the synthesizer's start, in the order a tune takes
// them: opening the FluidSynth runtime, creating the synthesizer, loading
// the GM SoundFont, opening an ALSA stream for it. Prints one line,
//   runtime <ms> synth <ms> soundfont <ms> audio <ms>
// or the failing step's text on standard error (exit status 1).
#include <chrono>
#include <cstdio>

#include "sound/linux/alsa_stream.h"
#include "sound/linux/fluid_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main() {
  namespace fluid = sound::fluid;
  auto start = Clock::now();
  const bool opened = fluid::library() != nullptr;
  const double runtime = millisecondsSince(start);
  if (!opened) {
    std::fprintf(stderr, "the FluidSynth runtime could not be opened\n");
    return 1;
  }
  // Each step would take the earlier ones itself; timed one by one, each
  // figure is that step's own.
  struct Step {
    const char* name;
    sound::Failure (*run)();
  };
  constexpr Step steps[] = {
      {"synth", fluid::createSynth},
      {"soundfont", fluid::loadSoundFont},
      {"audio", [] { return fluid::openAudio({sound::alsa::openStream, sound::alsa::queueMs}); }},
  };
  std::printf("runtime %.3f", runtime);
  for (const Step& step : steps) {
    start = Clock::now();
    if (sound::Failure failure = step.run()) {
      std::fprintf(stderr, "\n%s: %s\n", step.name, failure->c_str());
      fluid::stopEngine();
      return 1;
    }
    std::printf(" %s %.3f", step.name, millisecondsSince(start));
  }
  std::printf("\n");
  fluid::stopEngine();
  return 0;
}
