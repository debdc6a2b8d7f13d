// Diagnostic lines for developers (the debugger output of the original tool).
// Goes to stderr when VELOR_DEBUG is set; tests install their own sink.
#pragma once

#include <functional>
#include <string_view>

namespace velor {

using DebugSink = std::function<void(std::string_view line)>;

// The sink for lines written by code that has no sink of its own.
DebugSink defaultDebugSink();

}  // namespace velor
