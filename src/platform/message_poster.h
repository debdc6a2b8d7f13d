// Posting a numbered message (with two parameters) to the UI thread: how the
// worker, the feature-device library and the reader threads reach the main
// window. Implementations must be callable from any thread.
#pragma once

#include <cstdint>

namespace velor {

class MessagePoster {
  public:
    virtual ~MessagePoster() = default;
    virtual void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

}  // namespace velor
