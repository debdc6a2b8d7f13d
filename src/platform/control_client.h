// velorctl's end of the running program's control socket: one request (the
// command line) and its answer (exit code, output, errors).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "util/clock.h"
#include "util/control_wire.h"

namespace velor {

// Where the running program listens, in the per-user runtime folder (on
// Windows a named pipe of the user's session that only the user may open).
std::string controlSocketPath(const std::string& runtimeFolder);

// The longest a device command takes in the program: a full upload through
// the 2.4 GHz receiver with every report sent ten times, 500 ms apart (5 x 5 s),
// and a macro on each of the 18 macro buttons at three seconds a pass (54 s),
// with room for an apply of the window's own ahead of it.
inline constexpr Millis kControlAnswerTimeout{120'000};

// Nothing when no program listens there; an answer with exit code 1 when it
// went away before answering, or did not answer within `timeout` (stopped
// or hung).
std::optional<ControlAnswer> askRunningProgram(const std::string& socketPath,
                                               const std::vector<std::string>& args,
                                               Millis timeout = kControlAnswerTimeout);

}  // namespace velor
