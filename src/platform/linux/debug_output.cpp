#include "platform/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "util/printable.h"

namespace velor {

Log standardLog(bool debug) {
    debug = debug || debugRequested(std::getenv("VELOR_DEBUG"));
    return Log([debug](LogLevel level, std::string_view line) {
        if (level == LogLevel::debug && !debug) return;
        // Lines carry names from outside (window classes, file names): none
        // may reach the terminal as a control sequence.
        const std::string shown = printableText(line);
        std::fprintf(stderr, "%.*s\n", static_cast<int>(shown.size()), shown.data());
        std::fflush(stderr);
    });
}

DebugSink defaultDebugSink() {
    return standardLog().debugSink();
}

}  // namespace velor
