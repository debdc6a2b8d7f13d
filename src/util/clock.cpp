#include "util/clock.h"

#include <thread>

namespace velor {

namespace {

class SystemClock final : public Clock {
  public:
    Millis now() const override {
        return std::chrono::duration_cast<Millis>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
    void sleepFor(Millis duration) override { std::this_thread::sleep_for(duration); }
    bool sleepUnlessWoken(Millis duration, WakeSignal& wake) override {
        return !wake.waitFor(duration);
    }
};

}  // namespace

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace velor
