// How the Bluetooth stack names our mice and their characteristics: the
// vendor and product ids in a device's modalias, and 16-bit UUIDs in the
// 128-bit form the stack gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velor {

inline constexpr std::uint16_t kBleWriteUuid = 0xFEE3;   // command reports
inline constexpr std::uint16_t kBleNotifyUuid = 0xFEE4;  // status reports

struct BleIds {
    std::uint16_t vendor;
    std::uint16_t product;
};

// "usb:v045Ep0034d0001" or "bluetooth:v045Ep0034d0001" (any case); nothing
// for any other text.
std::optional<BleIds> idsFromModalias(std::string_view modalias);

// A characteristic UUID stands for a 16-bit one when its first 32 bits equal
// it: "0000fee3-0000-1000-8000-00805f9b34fb" is 0xFEE3. The rest of the UUID
// is not looked at.
bool uuidIs(std::string_view uuid, std::uint16_t shortUuid);

}  // namespace velor
