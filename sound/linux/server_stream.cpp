#include "sound/linux/server_stream.h"

#include <dlfcn.h>
#include <pulse/simple.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace sound::server {
namespace {

struct Library {
  decltype(&::pa_simple_new) simple_new;
  decltype(&::pa_simple_write) simple_write;
  decltype(&::pa_simple_drain) simple_drain;
  decltype(&::pa_simple_free) simple_free;
};

template <typename Function>
bool find(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  return function != nullptr;
}

const Library* library() {
  static Library functions{};
  static const bool loaded = [] {
    void* handle = dlopen("libpulse-simple.so.0", RTLD_NOW | RTLD_LOCAL);
    return handle != nullptr && find(handle, "pa_simple_new", functions.simple_new) &&
           find(handle, "pa_simple_write", functions.simple_write) &&
           find(handle, "pa_simple_drain", functions.simple_drain) &&
           find(handle, "pa_simple_free", functions.simple_free);
  }();
  return loaded ? &functions : nullptr;
}

constexpr unsigned serverBufferMs = 200;

// Its calls block while the server takes nothing, and never come back from
// a server that stopped answering: the renderer makes them behind a guard.
class ServerStream final : public SampleStream {
 public:
  ServerStream(const Library& pulse, pa_simple* stream, std::size_t frameBytes)
      : pulse_(pulse), stream_(stream), frameBytes_(frameBytes) {}
  ~ServerStream() override { pulse_.simple_free(stream_); }
  ServerStream(const ServerStream&) = delete;
  ServerStream& operator=(const ServerStream&) = delete;

  bool write(const std::int16_t* frames, std::size_t count) override {
    return pulse_.simple_write(stream_, frames, count * frameBytes_, nullptr) >= 0;
  }
  void drain() override { pulse_.simple_drain(stream_, nullptr); }

 private:
  const Library& pulse_;
  pa_simple* stream_;
  std::size_t frameBytes_;
};

}  // namespace

std::string socketPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime == nullptr ? std::string() : std::string(runtime) + "/pulse/native";
}

bool socketThere() {
  if (std::getenv("PULSE_SERVER") != nullptr) return true;
  const std::string socket = socketPath();
  struct stat info {};
  return !socket.empty() && stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

bool clientInstalled() { return library() != nullptr; }

bool running() { return socketThere() && clientInstalled(); }

std::unique_ptr<SampleStream> openStream(const StreamShape& shape) {
  const Library* pulse = library();
  if (pulse == nullptr) return nullptr;
  const std::size_t frameBytes = shape.channels * sizeof(std::int16_t);
  const auto bytes = [&](std::size_t frames) { return static_cast<std::uint32_t>(frames * frameBytes); };
  const pa_sample_spec samples{PA_SAMPLE_S16LE, shape.sampleRate,
                              static_cast<std::uint8_t>(shape.channels)};
  // The server asks for a chunk at a time and plays from the first chunk;
  // after running dry it plays again as soon as a chunk comes, so a stall
  // costs only the time it lasted. Its buffer is larger than the writer's:
  // with both cores busy, a server sized to the writer (70 ms) still dropped
  // out now and then; at 200 ms it did not.
  const unsigned bufferMs = std::max(shape.bufferMs, serverBufferMs);
  const pa_buffer_attr buffer{static_cast<std::uint32_t>(-1),
                              bytes(std::size_t{shape.sampleRate} * bufferMs / 1000),
                              bytes(shape.chunkFrames), bytes(shape.chunkFrames),
                              static_cast<std::uint32_t>(-1)};
  pa_simple* stream = pulse->simple_new(nullptr, "Lirkel", PA_STREAM_PLAYBACK, nullptr, shape.name,
                                        &samples, nullptr, &buffer, nullptr);
  if (stream == nullptr) return nullptr;
  return std::make_unique<ServerStream>(*pulse, stream, frameBytes);
}

}  // namespace sound::server
