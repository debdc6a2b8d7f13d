// The Bluetooth LE path to one slot's mouse: a subscription to its status
// characteristic and writes to its command characteristic. The system's
// Bluetooth stack stands behind it (BlueZ on Linux), or a simulated mouse.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace velor {

class BleGattLink {
  public:
    // A notification value as the mouse sent it; called on any thread.
    using OnValue = std::function<void(std::span<const std::uint8_t> value)>;

    virtual ~BleGattLink() = default;
    // Subscribes to the status notifications of the connected mouse (UI
    // thread). A failure leaves writes possible; reports simply do not come.
    virtual void registerNotifications(OnValue onValue) = 0;
    // Ends the subscription, if any (UI thread).
    virtual void unregister() = 0;
    // One command report in one characteristic write (worker thread): 1 when
    // the write succeeded, else 0.
    virtual int write(std::span<const std::uint8_t> report) = 0;
};

}  // namespace velor
