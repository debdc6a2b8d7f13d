// Time as the link and its timers see it. Production sleeps for real; tests
// use VirtualClock, whose sleeps only move its time on.
#pragma once

#include <chrono>

namespace velor {

using Millis = std::chrono::milliseconds;

class Clock {
  public:
    virtual ~Clock() = default;
    virtual Millis now() const = 0;
    virtual void sleepFor(Millis duration) = 0;
};

// Steady time and real sleeps.
Clock& systemClock();

}  // namespace velor
