// When a mouse's battery deserves a word on the desktop: as it falls to 15 %
// and again to 5 % (once each per discharge), and when charging completes.
#pragma once

#include <array>
#include <optional>

#include "protocol/status_report.h"

namespace velor {

enum class BatteryNotice : std::uint8_t { Low, VeryLow, Charged };

class BatteryNotices {
  public:
    static constexpr int kLowPercent = 15;
    static constexpr int kVeryLowPercent = 5;

    // A power report of the slot's mouse (1..10); what to tell, if anything.
    std::optional<BatteryNotice> onPower(int slot, PowerState state, std::optional<int> percent);

  private:
    struct Slot {
        bool toldLow = false;
        bool toldVeryLow = false;
        bool charging = false;
    };
    std::array<Slot, 11> slots_{};
};

}  // namespace velor
