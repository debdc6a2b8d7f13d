// What a status report from the mouse says, decoded from its two 16-bit words:
// the event word (event type << 8 | model code) and the value (first value
// byte low, second high). Reports of another model, values out of range and
// unknown events decode to Ignored.
#pragma once

#include <cstdint>
#include <optional>

#include "models/model_descriptor.h"
#include "profile/record_layout.h"

namespace velor {

enum class StatusKind : std::uint8_t {
    Ignored,
    DpiLevel,     // the mouse's DPI button
    PollingRate,  // the mouse's polling switch
    Power,        // battery and charging
    Acknowledgement,
    LightingEffect,
    DeviceChange,  // type 0x80: something changed on the mouse, no field of ours
};

enum class PowerState : std::uint8_t { Full, Charging, OnBattery };

// Which way the report came: a receiver, the cable's library, or a Bluetooth
// notification (which carries what the 2.4 GHz receiver would).
enum class Receiver : std::uint8_t { TwoPointFour, FourK, Cable, Ble };

struct StatusReport {
    StatusKind kind = StatusKind::Ignored;
    int dpiLevel = 0;     // DpiLevel: 0-based level
    int pollingRate = 0;  // PollingRate: the index stored in pollingField
    Field pollingField = Field::pollingRate;
    int lightMode = 0;  // LightingEffect
    PowerState power = PowerState::OnBattery;
    std::optional<int> batteryPercent;  // Power on battery: 1..100 when the mouse says
    bool acknowledged = false;          // Acknowledgement: the report was taken
};

StatusReport decodeStatus(const ModelDescriptor& model, std::uint16_t eventWord,
                          std::uint16_t value, Receiver via = Receiver::TwoPointFour);

}  // namespace velor
