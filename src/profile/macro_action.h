// One step of a macro: a key or mouse-button code, press or release, and the
// delay after it. Stored as 4 bytes: code, kind, delay (u16 little-endian).
#pragma once

#include <cstdint>
#include <span>

#include "util/le_bytes.h"

namespace velor {

struct MacroAction {
    static constexpr std::uint8_t kPress = 1;
    static constexpr std::uint8_t kRelease = 2;
    static constexpr std::size_t kSize = 4;

    std::uint8_t code = 0;    // HID keyboard usage, or 0xF1..0xF5 for mouse buttons
    std::uint8_t kind = 0;    // kPress; anything else is a release
    std::uint16_t delay = 0;  // milliseconds after this step

    bool isPress() const { return kind == kPress; }

    static MacroAction read(std::span<const std::uint8_t, kSize> b) {
        return {b[0], b[1], loadLe16(b, 2)};
    }
    void write(std::span<std::uint8_t, kSize> b) const {
        b[0] = code;
        b[1] = kind;
        storeLe16(b, 2, delay);
    }
    friend bool operator==(const MacroAction&, const MacroAction&) = default;
};

}  // namespace velor
