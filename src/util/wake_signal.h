// Waking a sleeping thread, the same on every system: one thread sleeps in
// wait() or waitFor(), another calls signal(). A signal given while nobody
// sleeps is kept until the next wait takes it, so a wake-up sent just before
// the sleep is never lost; each wait takes every signal given so far, so
// there is nothing to reset.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velor {

class WakeSignal {
  public:
    // Wakes the thread that sleeps here, or the next one to come (any thread).
    void signal();
    // Sleeps until signalled, and takes the signal.
    void wait();
    // Sleeps until signalled (true, the signal taken) or until the time is up
    // (false).
    bool waitFor(std::chrono::milliseconds timeout);

  private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool signalled_ = false;  // under mutex_
};

}  // namespace velor
