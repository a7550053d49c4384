#include "sound/linux/server_stream.h"

#include <dlfcn.h>
#include <pulse/simple.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sound/linux/thread_signals.h"

namespace sound::server {
namespace {

struct Library {
  decltype(&::pa_simple_new) simple_new;
  decltype(&::pa_simple_write) simple_write;
  decltype(&::pa_simple_drain) simple_drain;
  decltype(&::pa_simple_flush) simple_flush;
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
           find(handle, "pa_simple_flush", functions.simple_flush) &&
           find(handle, "pa_simple_free", functions.simple_free);
  }();
  return loaded ? &functions : nullptr;
}

constexpr unsigned serverBufferMs = 200;

bool socketThere() {
  if (std::getenv("PULSE_SERVER") != nullptr) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr) return false;
  struct stat info {};
  const std::string socket = std::string(runtime) + "/pulse/native";
  return stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// What the stream shares with its writer thread. Both own it, so a writer
// stuck in a server that stopped answering (stopped, not gone: its calls
// never return) can be let go of, and the run ends without it.
struct Outbox {
  enum class Order { none, drain, drop };
  Outbox(const Library& library, pa_simple* opened) : pulse(library), stream(opened) {}
  const Library& pulse;
  pa_simple* stream;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::uint8_t> pending;  // written, not yet handed to the server
  Order order = Order::none;
  bool busy = false;  // in a call to the server
  bool lost = false;
  bool quit = false;
  bool exited = false;
};

// The writer: hands the samples and the orders to the server, one call at a
// time, on its own thread.
void serve(const std::shared_ptr<Outbox>& box) {
  std::unique_lock lock(box->mutex);
  while (!box->quit) {
    if (box->lost) box->pending.clear();
    if (!box->pending.empty() || box->order != Outbox::Order::none) {
      std::vector<std::uint8_t> bytes;
      bytes.swap(box->pending);
      const Outbox::Order order = bytes.empty() ? std::exchange(box->order, Outbox::Order::none)
                                                : Outbox::Order::none;
      box->busy = true;
      lock.unlock();
      int result = 0;
      if (!bytes.empty()) {
        result = box->pulse.simple_write(box->stream, bytes.data(), bytes.size(), nullptr);
      } else if (order == Outbox::Order::drain) {
        result = box->pulse.simple_drain(box->stream, nullptr);
      } else {
        result = box->pulse.simple_flush(box->stream, nullptr);
      }
      lock.lock();
      box->busy = false;
      if (result < 0) box->lost = true;
      box->changed.notify_all();
      continue;
    }
    box->changed.wait(lock);
  }
  box->exited = true;
  box->changed.notify_all();
}

std::chrono::steady_clock::time_point whenUnanswered() {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(unansweredAfterMs);
}

class ServerStream final : public SampleStream {
 public:
  ServerStream(const Library& pulse, pa_simple* stream, std::size_t frameBytes,
               std::size_t bufferBytes)
      : box_(std::make_shared<Outbox>(pulse, stream)),
        frameBytes_(frameBytes),
        bufferBytes_(bufferBytes) {
    const TerminatingSignalsBlocked blocked;
    writer_ = std::thread([box = box_] { serve(box); });
  }
  ~ServerStream() override {
    std::unique_lock lock(box_->mutex);
    box_->quit = true;
    box_->changed.notify_all();
    // Lost while the writer is in a call: that call is the one that never
    // came back.
    const bool stuck = box_->lost && box_->busy;
    if (stuck ||
        !box_->changed.wait_until(lock, whenUnanswered(), [this] { return box_->exited; })) {
      writer_.detach();  // and the server's stream with it
      return;
    }
    lock.unlock();
    writer_.join();
    box_->pulse.simple_free(box_->stream);
  }
  ServerStream(const ServerStream&) = delete;
  ServerStream& operator=(const ServerStream&) = delete;

  // Waits only while more than the server's buffer is waiting: that is, when
  // the server takes nothing; after a second of that, the stream is lost.
  bool write(const std::int16_t* frames, std::size_t count) override {
    std::unique_lock lock(box_->mutex);
    if (!box_->changed.wait_until(lock, whenUnanswered(), [this] {
          return box_->lost || box_->pending.size() < bufferBytes_;
        })) {
      box_->lost = true;
    }
    if (box_->lost) return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frames);
    box_->pending.insert(box_->pending.end(), bytes, bytes + count * frameBytes_);
    box_->changed.notify_all();
    return true;
  }
  void drain() override { order(Outbox::Order::drain); }
  void drop() override {
    {
      std::lock_guard lock(box_->mutex);
      box_->pending.clear();
    }
    order(Outbox::Order::drop);
  }

 private:
  // Gives the writer an order and waits for it to be carried out, for as
  // long as the server's buffer plays and a second more.
  void order(Outbox::Order order) {
    std::unique_lock lock(box_->mutex);
    if (box_->lost) return;
    box_->order = order;
    box_->changed.notify_all();
    const auto deadline = whenUnanswered() + std::chrono::milliseconds(serverBufferMs);
    if (!box_->changed.wait_until(lock, deadline, [this] {
          return box_->lost || (box_->order == Outbox::Order::none && box_->pending.empty() &&
                                !box_->busy);
        })) {
      box_->lost = true;
    }
  }

  std::shared_ptr<Outbox> box_;
  std::size_t frameBytes_;
  std::size_t bufferBytes_;
  std::thread writer_;
};

}  // namespace

bool running() { return socketThere() && library() != nullptr; }

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
  const TerminatingSignalsBlocked blocked;  // for the client library's thread
  pa_simple* stream = pulse->simple_new(nullptr, "Lirkel", PA_STREAM_PLAYBACK, nullptr, shape.name,
                                        &samples, nullptr, &buffer, nullptr);
  if (stream == nullptr) return nullptr;
  return std::make_unique<ServerStream>(*pulse, stream, frameBytes, buffer.tlength);
}

}  // namespace sound::server
