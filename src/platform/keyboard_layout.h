// The keyboard layout of the user's session, from the operating system.
#pragma once

#include <memory>

#include "keys/keyboard_layout.h"

namespace velor {

// The layout the user types with; nullptr when it cannot be made out.
std::unique_ptr<KeyboardLayout> systemKeyboardLayout();

// The layout of the X session on this connection to the X server (an
// xcb_connection_t), the one in use now; nullptr without X or XKB (always on Windows).
std::unique_ptr<KeyboardLayout> x11KeyboardLayout(void* xcbConnection);

}  // namespace velor
