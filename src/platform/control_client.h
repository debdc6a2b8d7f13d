// velorctl's end of the running program's control socket: one request (the
// command line) and its answer (exit code, output, errors).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "util/control_wire.h"

namespace velor {

// Where the running program listens, in the per-user runtime folder.
std::string controlSocketPath(const std::string& runtimeFolder);

// Nothing when no program listens there; an answer with exit code 1 when it
// went away before answering.
std::optional<ControlAnswer> askRunningProgram(const std::string& socketPath,
                                               const std::vector<std::string>& args);

}  // namespace velor
