#include "protocol/sensor_codes.h"

#include <algorithm>
#include <array>

namespace velor {

namespace {

constexpr std::array<std::uint8_t, 51> kSensorCodes = {
    0,  4,  4,  6,  8,  11, 13, 15, 18, 20, 22,  25,  27,  29,  32,  34,  36,
    39, 41, 43, 46, 48, 50, 52, 55, 57, 59, 62,  64,  66,  69,  71,  73,  76,
    78, 80, 83, 85, 87, 90, 92, 94, 97, 99, 101, 104, 106, 108, 111, 113, 115};

// Above 5000 DPI the sensor switches range and the index counts 200-DPI steps.
constexpr std::int32_t kHighRangeAbove = 50;

// Entries 201..220 repeat 101..120: above 10000 DPI the sensor takes the
// code of half the DPI together with its high range.
constexpr std::array<std::uint8_t, 221> kTableCodes = {
    0,   1,   2,   3,   4,   5,   6,   8,   9,   10,  11,  12,  14,  15,  16,  17,  18,  19,  21,
    22,  23,  24,  25,  27,  28,  29,  30,  31,  32,  34,  35,  36,  37,  38,  39,  41,  42,  43,
    44,  45,  47,  48,  49,  50,  51,  52,  54,  55,  56,  57,  58,  59,  61,  62,  63,  64,  65,
    67,  68,  69,  70,  71,  72,  74,  75,  76,  77,  78,  79,  81,  82,  83,  84,  85,  87,  88,
    89,  90,  91,  92,  94,  95,  96,  97,  98,  99,  101, 102, 103, 104, 105, 107, 108, 109, 110,
    111, 112, 114, 115, 116, 117, 118, 119, 121, 122, 123, 124, 125, 127, 128, 129, 130, 131, 132,
    134, 135, 136, 137, 138, 139, 141, 142, 143, 144, 145, 147, 148, 149, 150, 151, 152, 154, 155,
    156, 157, 158, 159, 161, 162, 163, 164, 165, 167, 168, 169, 170, 171, 172, 174, 175, 176, 177,
    178, 179, 181, 182, 183, 184, 185, 187, 188, 189, 190, 191, 192, 194, 195, 196, 197, 198, 199,
    201, 202, 203, 204, 205, 207, 208, 209, 210, 211, 212, 214, 215, 216, 217, 218, 219, 221, 222,
    223, 224, 225, 227, 228, 229, 230, 231, 232, 234, 235, 118, 119, 121, 122, 123, 124, 125, 127,
    128, 129, 130, 131, 132, 134, 135, 136, 137, 138, 139, 141,
};

}  // namespace

std::uint8_t tableSensorCode(std::uint8_t lowByte) {
    return kTableCodes[std::min<std::size_t>(lowByte, kTableCodes.size() - 1)];
}

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
