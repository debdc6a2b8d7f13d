// Where the program's lines go: errors and warnings always to stderr, the
// diagnostic lines for developers (the debugger output of the original tool)
// only when VELOR_DEBUG is set. Tests install their own sinks.
#pragma once

#include "util/debug_sink.h"
#include "util/log.h"

namespace velor {

// Errors and warnings to stderr; debug lines too when VELOR_DEBUG is set.
Log standardLog();

// The debug lines of standardLog(), for code that writes no other kind.
DebugSink defaultDebugSink();

}  // namespace velor
