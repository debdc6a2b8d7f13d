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

// The rate codes of the high-rate slots, in the order of their indices.
constexpr int kSevenRateCodes[] = {0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x40};
constexpr int kFourRates = 4;
constexpr int kSevenRates = 7;

// Fills in a polling report when index lies in 0..count - 1.
void takePolling(StatusReport& r, int index, int count, Field field) {
    if (index < 0 || index >= count) return;
    r.kind = StatusKind::PollingRate;
    r.pollingRate = index;
    r.pollingField = field;
}

void decodePolling(StatusReport& r, const ModelDescriptor& model, int value, Receiver via) {
    switch (model.pollingEvent) {
        case PollingEvent::Reference:
        case PollingEvent::ExactCodes: {
            const bool exact = model.pollingEvent == PollingEvent::ExactCodes;
            const bool code = value == 1 || value == 2 || value == 4 || value == 8;
            if (value >= 1 && value <= 8 && (code || !exact))
                takePolling(r, pollingIndexOf(value), kFourRates, Field::pollingRate);
            return;
        }
        case PollingEvent::SevenRateCodes:
            for (int i = 0; i < kSevenRates; ++i)
                if (kSevenRateCodes[i] == value) takePolling(r, i, kSevenRates, Field::pollingRate);
            return;
        case PollingEvent::Nibbles:
            // Each receiver reports the setting offered through it.
            if (via == Receiver::FourK)
                takePolling(r, ((value >> 4) & 0x0F) - 1, kSevenRates, Field::pollingRateHs);
            else
                takePolling(r, (value & 0x0F) - 1, kFourRates, Field::pollingRate);
            return;
    }
}

}  // namespace

StatusReport decodeStatus(const ModelDescriptor& model, std::uint16_t eventWord,
                          std::uint16_t value, Receiver via) {
    StatusReport r;
    if ((eventWord & 0xFF) != model.receiverCode) return r;
    const int low = value & 0xFF;
    const int high = value >> 8;
    switch (eventWord >> 8) {
        case 0x10: {
            // Over Bluetooth the level is the low byte alone; the receivers
            // send the whole value.
            const int level = via == Receiver::Ble ? low : value;
            if (level >= 1 && level <= kDpiLevels) {
                r.kind = StatusKind::DpiLevel;
                r.dpiLevel = level - 1;
            }
            break;
        }
        case 0x20:
            decodePolling(r, model, value, via);
            break;
        case 0x40:
            r.kind = StatusKind::Power;
            r.power = low == kFullBattery ? PowerState::Full
                      : low == kCharging  ? PowerState::Charging
                                          : PowerState::OnBattery;
            // A receiver's 0 % means no reading; a Bluetooth mouse reports
            // an empty battery as 0 %.
            if (r.power == PowerState::OnBattery && high >= (via == Receiver::Ble ? 0 : 1) &&
                high <= 100)
                r.batteryPercent = high;
            break;
        case 0x50:
            r.kind = StatusKind::Acknowledgement;
            r.acknowledged = low == 0;
            break;
        case 0x70: {
            // A nibble holds every effect its slot has; the reference takes 0..7.
            const bool nibble = model.lightingEvent == LightingEvent::HighNibble;
            const int mode = nibble ? (value >> 4) & 0x0F : value;
            if (nibble || value <= 7) {
                r.kind = StatusKind::LightingEffect;
                r.lightMode = mode;
            }
            break;
        }
        case 0x80:
            if (value >= 1 && value <= 5) r.kind = StatusKind::DeviceChange;
            break;
        default:  // 0x60 shows nothing; the rest are not ours
            break;
    }
    return r;
}

}  // namespace velor
