#include "device/battery_notices.h"

namespace velor {

std::optional<BatteryNotice> BatteryNotices::onPower(int slot, PowerState state,
                                                     std::optional<int> percent) {
    if (slot < 1 || slot >= static_cast<int>(slots_.size())) return std::nullopt;
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (state != PowerState::OnBattery) {
        // On the charger the next discharge is told afresh.
        const bool completed = state == PowerState::Full && s.charging;
        s = Slot{false, false, state == PowerState::Charging};
        return completed ? std::optional(BatteryNotice::Charged) : std::nullopt;
    }
    s.charging = false;
    if (!percent) return std::nullopt;
    if (*percent <= kVeryLowPercent && !s.toldVeryLow) {
        // The lower level says all the higher one would.
        s.toldVeryLow = s.toldLow = true;
        return BatteryNotice::VeryLow;
    }
    if (*percent <= kLowPercent && !s.toldLow) {
        s.toldLow = true;
        return BatteryNotice::Low;
    }
    return std::nullopt;
}

}  // namespace velor
