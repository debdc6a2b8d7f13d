// Diagnostic lines for developers (the debugger output of the original tool).
// Goes to stderr when VELOR_DEBUG is set; tests install their own sink.
#pragma once

#include "util/debug_sink.h"

namespace velor {

// The sink for lines written by code that has no sink of its own.
DebugSink defaultDebugSink();

}  // namespace velor
