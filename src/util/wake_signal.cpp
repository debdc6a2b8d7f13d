#include "util/wake_signal.h"

namespace velor {

void WakeSignal::signal() {
    {
        const std::lock_guard guard(mutex_);
        signalled_ = true;
    }
    woken_.notify_all();
}

void WakeSignal::wait() {
    std::unique_lock lock(mutex_);
    woken_.wait(lock, [this] { return signalled_; });
    signalled_ = false;
}

bool WakeSignal::waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!woken_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
    signalled_ = false;
    return true;
}

}  // namespace velor
