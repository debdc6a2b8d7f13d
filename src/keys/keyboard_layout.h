// The keyboard layout in use, as the key tables need it: which physical key
// (set-1 scan code) a virtual key sits on and back, and the character a key
// gives with no modifier. Implementations are immutable once made.
#pragma once

#include <cstdint>
#include <string>

namespace velor {

class KeyboardLayout {
  public:
    virtual ~KeyboardLayout() = default;
    // 0 when the layout has no key for it.
    virtual std::uint32_t scanCodeOfVirtualKey(std::uint32_t virtualKey) const = 0;
    // 0 when the key gives no virtual key.
    virtual std::uint32_t virtualKeyOfScanCode(std::uint32_t scanCode) const = 0;
    // What the key prints unshifted, as typed (lower case for letters); empty when nothing.
    virtual std::u16string characterOfVirtualKey(std::uint32_t virtualKey) const = 0;
};

}  // namespace velor
