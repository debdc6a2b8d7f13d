// The virtual-key code a key event stands for, as the capture hooks report it:
// letters by what the key types, the digit row and left/right modifiers by
// position, keypad keys by their keysym.
#pragma once

#include <cstdint>

namespace velor {

class KeyboardLayout;

// qtKey: Qt::Key; scanCode: the platform's native scan code (X11: evdev + 8,
// 0 when unknown); keysym: the native virtual key (X11 keysym, 0 when unknown);
// layout: the keyboard layout character keys are read through (may be null).
// 0 when the key has no virtual-key code.
std::uint32_t virtualKeyOf(int qtKey, std::uint32_t scanCode, std::uint32_t keysym,
                           const KeyboardLayout* layout);

}  // namespace velor
