#include "app/system_bluetooth.h"

namespace velor {

namespace {

// No Bluetooth LE GATT access is written for Windows yet. A Bluetooth mouse
// would only seem absent, so the window says why once, on the empty page.
class UnreachedBluetoothMice final : public BluetoothMice {
  public:
    void watch(Events events) override {
        if (events.problem) events.problem(BleProblem::Unsupported, 0);
    }
    std::unique_ptr<BleGattLink> linkFor(std::uint16_t, std::uint16_t) override {
        return nullptr;  // the page then keeps its Bluetooth path closed
    }
};

}  // namespace

std::unique_ptr<BluetoothMice> systemBluetoothMice(DebugSink) {
    return std::make_unique<UnreachedBluetoothMice>();
}

}  // namespace velor
