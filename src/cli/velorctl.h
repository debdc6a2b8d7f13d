// velorctl: the command-line tool over the core. Runs in-process so tests call
// it directly; main() only forwards argv.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace velor::cli {

// Exit codes: 0 success, 1 a device or store failure, 2 bad input (one line
// on err, nothing written).
inline constexpr int kExitOk = 0;
inline constexpr int kExitDevice = 1;
inline constexpr int kExitBadInput = 2;

int runVelorctl(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace velor::cli
