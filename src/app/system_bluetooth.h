// The system's Bluetooth LE mice, reached the way this system allows.
#pragma once

#include <memory>

#include "device/bluetooth_mice.h"
#include "util/debug_sink.h"

namespace velor {

std::unique_ptr<BluetoothMice> systemBluetoothMice(DebugSink debug);

}  // namespace velor
