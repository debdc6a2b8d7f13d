// What the profile record of one model slot is: the shape of its bytes (a
// field table) and the defaults that differ between slots. Each slot's model
// descriptor carries one; a record keeps a pointer to its type.
#pragma once

#include <array>
#include <cstdint>

#include "profile/record_layout.h"

namespace velor {

// Record defaults that differ between slots; the rest are common to all.
struct RecordDefaults {
    std::array<std::int32_t, kDpiLevels> dpi;  // dpiX and dpiY, in the slot's slider units
    std::int32_t pollingRate;
    std::int32_t pollingRateHs;
    std::int32_t motionSync;
    std::int32_t lightMode;
};

struct RecordType {
    int slot;  // 1..10
    const RecordLayout* layout;
    RecordDefaults defaults;

    std::uint32_t length() const { return layout->length(); }
};

}  // namespace velor
