// A second copy's request to the first: "show your window".
#pragma once

#include <string>

namespace velor {

inline constexpr const char* kShowRequest = "show\n";

// Connects to the first copy's socket and sends the request; retries briefly
// while the first copy is still starting. False when nobody answered.
bool notifyFirstInstance(const std::string& socketPath, int attempts = 20);

}  // namespace velor
