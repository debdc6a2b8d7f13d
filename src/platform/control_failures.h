// What velorctl says when the running program took a request but gave no
// answer, the same on every system.
#pragma once

#include "util/clock.h"
#include "util/control_wire.h"

namespace velor {

// late: the answer did not come within timeout; sent: the whole request went.
ControlAnswer unansweredRequest(bool late, bool sent, Millis timeout);

}  // namespace velor
