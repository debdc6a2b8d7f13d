// A clock for tests and benchmarks: sleeping advances virtual time at once and
// is recorded, so the spacing of sends can be checked exactly.
#pragma once

#include <atomic>
#include <functional>

#include "util/clock.h"

namespace velor {

class VirtualClock final : public Clock {
  public:
    Millis now() const override { return Millis(now_.load()); }
    void sleepFor(Millis duration) override {
        now_ += duration.count();
        if (onSleep) onSleep(duration);
    }
    // A wake given before the sleep ends it at once, with no time passed; one
    // given while onSleep runs comes too late for this sleep, as for a real
    // sleep that had already run its course.
    bool sleepUnlessWoken(Millis duration, WakeSignal& wake) override {
        if (wake.waitFor(Millis(0))) return false;
        sleepFor(duration);
        return true;
    }
    void advance(Millis duration) { now_ += duration.count(); }

    // Runs on the sleeping thread, after time moved on; lets a test act "while"
    // the sleeper waits (e.g. deliver an acknowledgement).
    std::function<void(Millis)> onSleep;

  private:
    std::atomic<long long> now_{0};
};

}  // namespace velor
