// The Bluetooth side of the system as the program needs it: which of our
// mice are connected, a link to each, and the problems a user can fix.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "device/ble_gatt_link.h"

namespace velor {

// Conditions that keep a paired mouse away, each something the user can act on.
enum class BleProblem : std::uint8_t {
    AdapterOff,    // the mouse is paired with an adapter that is switched off
    NotConnected,  // paired, the adapter is on, but the mouse is not connected
    NoPermission,  // the system bus refuses us the Bluetooth service
    Unsupported,   // this build reaches no Bluetooth mice on this system
};

class BluetoothMice {
  public:
    struct Events {
        // A mouse with these ids came (connected) or went; any thread.
        std::function<void(std::uint16_t vendor, std::uint16_t product, bool connected)> presence;
        // A problem with one of our mice (product 0 when not about one); any thread.
        std::function<void(BleProblem problem, std::uint16_t product)> problem;
    };

    virtual ~BluetoothMice() = default;
    // Starts watching; the mice connected now are reported at once or soon.
    virtual void watch(Events events) = 0;
    // The link to the mouse with these ids, whether or not it is connected now.
    virtual std::unique_ptr<BleGattLink> linkFor(std::uint16_t vendor, std::uint16_t product) = 0;
};

}  // namespace velor
