// Time as the link and its timers see it. Production sleeps for real; tests
// use VirtualClock, whose sleeps only move its time on.
#pragma once

#include <chrono>

#include "util/wake_signal.h"

namespace velor {

using Millis = std::chrono::milliseconds;

class Clock {
  public:
    virtual ~Clock() = default;
    virtual Millis now() const = 0;
    virtual void sleepFor(Millis duration) = 0;
    // Sleeps for duration, or less when wake is signalled meanwhile (or was
    // before, since the last wait took its signals): false when woken early.
    // A pause that an ending program must not wait out.
    virtual bool sleepUnlessWoken(Millis duration, WakeSignal& wake) = 0;
};

// Steady time and real sleeps.
Clock& systemClock();

}  // namespace velor
