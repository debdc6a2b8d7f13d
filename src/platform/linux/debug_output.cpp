#include "platform/debug_output.h"

#include <cstdio>
#include <cstdlib>

namespace velor {

Log standardLog() {
    const bool debug = std::getenv("VELOR_DEBUG") != nullptr;
    return Log([debug](LogLevel level, std::string_view line) {
        if (level == LogLevel::debug && !debug) return;
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
        std::fflush(stderr);
    });
}

DebugSink defaultDebugSink() {
    return standardLog().debugSink();
}

}  // namespace velor
