// A second copy's request to the first: "show your window".
#pragma once

#include <string>

#include "util/clock.h"

namespace velor {

inline constexpr const char* kShowRequest = "show\n";
// The first copy's answer to a connection beyond its bound: come again.
inline constexpr const char* kInstanceBusy = "busy\n";

// How long a second copy keeps trying: the first may still be starting, or
// busy with other clients until their time is up.
inline constexpr Millis kNotifyPatience{10'000};

// Connects to the first copy's socket, sends the request and waits until the
// first copy took it (it hangs up without a word) or tells it is busy; tries
// again while nobody listens yet or the first is busy, until kNotifyPatience
// of the clock has passed. False with the reason when it was not reached.
bool notifyFirstInstance(const std::string& socketPath, Clock& clock, std::string* why = nullptr);

}  // namespace velor
