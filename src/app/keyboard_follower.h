// Keeps the program's keyboard layout the one the user types with as the user
// switches layouts: each system tells of a switch in its own way.
#pragma once

#include <functional>
#include <memory>

#include "keys/switchable_keyboard_layout.h"
#include "util/debug_sink.h"

namespace velor {

// Follows as long as it lives.
class KeyboardFollower {
  public:
    virtual ~KeyboardFollower() = default;
};

// Starts following: `layout` is replaced, and `changed` called, on each switch.
// Null (and said through `debug`) when this session tells of no switch: the
// layout read at start then stays.
std::unique_ptr<KeyboardFollower> followKeyboardLayout(SwitchableKeyboardLayout& layout,
                                                       std::function<void()> changed,
                                                       const DebugSink& debug);

}  // namespace velor
