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

// The code of a level on slots whose DPI report looks its code up by the low
// byte of the level's 50-DPI value (index 0..220; beyond, the last entry).
std::uint8_t tableSensorCode(std::uint8_t lowByte);

}  // namespace velor
