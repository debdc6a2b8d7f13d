// Where diagnostic lines for developers go: a function taking one line.
// Code below the platform layer takes a sink from its caller; an empty sink
// writes nothing.
#pragma once

#include <functional>
#include <string_view>

namespace velor {

using DebugSink = std::function<void(std::string_view line)>;

}  // namespace velor
