// Where the program's lines go: errors and warnings always to stderr, the
// diagnostic lines for developers (the debugger output of the original tool)
// only when asked for (VELOR_DEBUG, velorctl's --verbose). Every line is
// printed with its control characters escaped. Tests install their own sinks.
#pragma once

#include "util/debug_sink.h"
#include "util/log.h"

namespace velor {

// Errors and warnings to stderr; debug lines too when `debug` is given or
// VELOR_DEBUG asks for them (see debugRequested).
Log standardLog(bool debug = false);

// The debug lines of standardLog(), for code that writes no other kind.
DebugSink defaultDebugSink();

}  // namespace velor
