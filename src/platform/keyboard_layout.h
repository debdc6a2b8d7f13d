// The keyboard layout of the user's session, from the operating system.
#pragma once

#include <memory>

#include "keys/keyboard_layout.h"

namespace velor {

// The layout the user types with; nullptr when it cannot be made out.
std::unique_ptr<KeyboardLayout> systemKeyboardLayout();

}  // namespace velor
