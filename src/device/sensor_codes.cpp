#include "device/sensor_codes.h"

#include <algorithm>
#include <array>

namespace velor {

namespace {

constexpr std::array<std::uint8_t, 51> kSensorCodes = {
    0,  4,  4,  6,  8,  11, 13, 15, 18, 20, 22, 25,  27,  29,  32,  34,  36,
    39, 41, 43, 46, 48, 50, 52, 55, 57, 59, 62, 64,  66,  69,  71,  73,  76,
    78, 80, 83, 85, 87, 90, 92, 94, 97, 99, 101, 104, 106, 108, 111, 113, 115};

// Above 5000 DPI the sensor switches range and the index counts 200-DPI steps.
constexpr std::int32_t kHighRangeAbove = 50;

}  // namespace

SensorCode sensorCode(std::int32_t value) {
    SensorCode result;
    if (value <= 1) return result;  // also keeps value - 1 from overflowing
    std::int32_t index = value - 1;
    if (value > kHighRangeAbove) {
        index = (value - 1) / 2;
        result.highRange = true;
    }
    // Values past the table (above 10000 DPI, only in damaged or foreign
    // profiles) take its last code rather than reading outside it.
    constexpr auto kLast = static_cast<std::int32_t>(kSensorCodes.size()) - 1;
    if (index > 0) result.code = kSensorCodes[static_cast<std::size_t>(std::min(index, kLast))];
    return result;
}

}  // namespace velor
