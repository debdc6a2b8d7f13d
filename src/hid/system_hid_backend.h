// The HidBackend that reaches this system's real devices: hidapi on Linux,
// SetupAPI and the HID class functions on Windows. Callers pick it here and
// never name a system.
#pragma once

#include <memory>

#include "hid/hid_backend.h"

namespace velor {

// nullptr when the system's HID access cannot be set up.
std::unique_ptr<HidBackend> makeSystemHidBackend();

}  // namespace velor
