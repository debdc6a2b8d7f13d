// The sensor code that the reference DPI report carries for a level value
// (units of 100 DPI), and whether the level needs the sensor's high range.
#pragma once

#include <cstdint>

namespace velor {

struct SensorCode {
    std::uint8_t code = 0;
    bool highRange = false;
};

SensorCode sensorCode(std::int32_t value);

}  // namespace velor
