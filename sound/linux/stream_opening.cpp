#include "sound/linux/stream_opening.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "sound/linux/alsa_quiet.h"
#include "sound/linux/stream_names.h"
#include "sound/linux/thread_signals.h"

namespace sound {

// Shared by the caller and the opening thread, so a thread stuck in a call
// that never returns can be let go of.
struct OpeningState {
  std::mutex mutex;
  std::condition_variable opened;
  std::unique_ptr<SampleStream> stream;
  bool done = false;
  std::thread thread;
  StreamOpener open = nullptr;
  std::chrono::steady_clock::time_point deadline;
};

namespace {

// The ways of opening that did not answer in time, for the rest of the run.
std::mutex unansweringMutex;
std::vector<StreamOpener> unanswering;

bool answers(StreamOpener open) {
  std::lock_guard lock(unansweringMutex);
  return std::find(unanswering.begin(), unanswering.end(), open) == unanswering.end();
}

void giveUp(StreamOpener open) {
  std::lock_guard lock(unansweringMutex);
  unanswering.push_back(open);
}

}  // namespace

StreamOpening::StreamOpening(StreamOpener open, const StreamShape& shape)
    : state_(std::make_shared<OpeningState>()) {
  state_->open = open;
  state_->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(unansweredAfterMs);
  if (!answers(open)) return;
  // What the process shares is set here, before any other thread could
  // read it: alsa-lib's messages kept off the terminal, and the names a
  // sound server shows (also for a "default" ALSA device that leads to one).
  silenceAlsaMessages();
  nameSoundStreams();
  const TerminatingSignalsBlocked blocked;  // for this thread and the libraries'
  state_->thread = std::thread([state = state_, shape] {
    std::unique_ptr<SampleStream> stream = state->open(shape);
    std::lock_guard lock(state->mutex);
    state->stream = std::move(stream);
    state->done = true;
    state->opened.notify_all();
  });
}

StreamOpening::~StreamOpening() { (void)take(); }

std::unique_ptr<SampleStream> StreamOpening::take() {
  // Not started (a way that did not answer before), or taken already.
  if (!state_->thread.joinable()) return nullptr;
  std::unique_lock lock(state_->mutex);
  const bool done =
      state_->opened.wait_until(lock, state_->deadline, [this] { return state_->done; });
  lock.unlock();
  if (!done) {
    // Whatever it opens after all is closed with the state, on its thread.
    giveUp(state_->open);
    state_->thread.detach();
    return nullptr;
  }
  state_->thread.join();
  return std::move(state_->stream);
}

}  // namespace sound
