#include "app/system_bluetooth.h"

#include "bluez/bluez_mice.h"

namespace velor {

// BlueZ owns Bluetooth on Linux; it is asked over the system bus.
std::unique_ptr<BluetoothMice> systemBluetoothMice(DebugSink debug) {
    return std::make_unique<BluezMice>(std::move(debug));
}

}  // namespace velor
