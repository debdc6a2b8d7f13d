// One line of the simulator's control pipe, acted out on the simulated mice,
// so that a person or an end-to-end test can act as the mouse:
//   unplug S:L | plug S:L | status S:L TYPE VALUE | silent S:L on|off |
//   battery S:L PERCENT | charge S:L on|off|full
// S is a slot, L a link ("wired", "24g"); numbers are decimal or 0x hex.
#pragma once

#include <string>
#include <string_view>

#include "sim/sim_backend.h"

namespace velor::sim {

// Empty when done, else why not.
std::string runSimCommand(SimBackend& backend, std::string_view line);

}  // namespace velor::sim
