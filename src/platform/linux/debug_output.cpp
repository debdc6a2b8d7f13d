#include "platform/debug_output.h"

#include <cstdio>
#include <cstdlib>

namespace velor {

DebugSink defaultDebugSink() {
    if (std::getenv("VELOR_DEBUG") == nullptr) return [](std::string_view) {};
    return [](std::string_view line) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    };
}

}  // namespace velor
