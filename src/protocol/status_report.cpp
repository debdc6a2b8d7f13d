#include "protocol/status_report.h"

#include "profile/record_layout.h"

namespace velor {

namespace {

constexpr int kFullBattery = 2;
constexpr int kCharging = 3;

// The polling status value 1, 2 and 4 are 1000, 500 and 250 Hz; every other
// accepted value is the slowest rate.
int pollingIndexOf(int value) {
    return value == 1 ? 3 : value == 2 ? 2 : value == 4 ? 1 : 0;
}

}  // namespace

StatusReport decodeStatus(const ModelDescriptor& model, std::uint16_t eventWord,
                          std::uint16_t value) {
    StatusReport r;
    if ((eventWord & 0xFF) != model.receiverCode) return r;
    const int low = value & 0xFF;
    const int high = value >> 8;
    switch (eventWord >> 8) {
        case 0x10:
            if (value >= 1 && value <= kDpiLevels) {
                r.kind = StatusKind::DpiLevel;
                r.dpiLevel = value - 1;
            }
            break;
        case 0x20: {
            // Some models report only the exact rate codes; others count too.
            const bool exact = model.pollingEvent == PollingEvent::ExactCodes;
            const bool code = value == 1 || value == 2 || value == 4 || value == 8;
            if (value >= 1 && value <= 8 && (code || !exact)) {
                r.kind = StatusKind::PollingRate;
                r.pollingRate = pollingIndexOf(value);
            }
            break;
        }
        case 0x40:
            r.kind = StatusKind::Power;
            r.power = low == kFullBattery ? PowerState::Full
                      : low == kCharging  ? PowerState::Charging
                                          : PowerState::OnBattery;
            if (r.power == PowerState::OnBattery && high >= 1 && high <= 100)
                r.batteryPercent = high;
            break;
        case 0x50:
            r.kind = StatusKind::Acknowledgement;
            r.acknowledged = low == 0;
            break;
        case 0x70:
            if (value <= 7) {
                r.kind = StatusKind::LightingEffect;
                r.lightMode = value;
            }
            break;
        case 0x80:
            if (value >= 1 && value <= 5) r.kind = StatusKind::DeviceChange;
            break;
        default:  // 0x60 shows nothing; the rest are not ours
            break;
    }
    return r;
}

}  // namespace velor
