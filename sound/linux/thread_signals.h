// Threads started by the sound libraries (and our own renderer) inherit the
// signal mask of their creator. With the terminating signals blocked while
// they start, those signals always reach the main thread, whose waits end
// the process cleanly.
#pragma once

#include <pthread.h>
#include <signal.h>

namespace sound {

class TerminatingSignalsBlocked {
 public:
  TerminatingSignalsBlocked() {
    sigset_t all;
    sigfillset(&all);
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT}) sigdelset(&all, fault);
    pthread_sigmask(SIG_BLOCK, &all, &saved_);
  }
  ~TerminatingSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  TerminatingSignalsBlocked(const TerminatingSignalsBlocked&) = delete;
  TerminatingSignalsBlocked& operator=(const TerminatingSignalsBlocked&) = delete;

 private:
  sigset_t saved_{};
};

}  // namespace sound
