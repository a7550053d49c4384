// Starts the console layer on the real terminal and reports what it answers.
//   lirkel_key_probe keys   prints "key N" for every key test after input
//                           arrived, until q; an arrow key must give one "key 0"
//   lirkel_key_probe wait   one waitForKey(), then "answer N cpu_us M": the key
//                           and the CPU time that the wait itself used
//   lirkel_key_probe abort  ends through std::terminate() in the terminal mode
//   lirkel_key_probe fault  ends through SIGSEGV in the terminal mode
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string_view>

#include "console/console.h"
#include "platform/platform.h"

namespace {

long cpuMicroseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1'000'000L + usage.ru_utime.tv_usec +
         usage.ru_stime.tv_usec;
}

}  // namespace

int main(int argc, char** argv) {
  platform::startProcess(argc, argv);
  startConsole();
  const std::string_view mode = argc > 1 ? argv[1] : "keys";
  std::printf("ready\n");
  std::fflush(stdout);
  if (mode == "abort") std::terminate();
  if (mode == "fault") std::raise(SIGSEGV);
  const bool waitMode = mode == "wait";
  if (waitMode) {
    const long before = cpuMicroseconds();
    const unsigned key = waitForKey();
    const long used = cpuMicroseconds() - before;
    std::printf("answer %u cpu_us %ld\n", key, used);
    return 0;
  }
  while (platform::consoleWaitInput(-1)) {
    const unsigned key = pollKey();
    std::printf("key %u\n", key);
    std::fflush(stdout);
    if (key == 'q') break;
  }
  std::printf("done\n");
  return 0;
}
