// The HID backend of the system the program runs on: hidapi on Linux, SetupAPI
// and the HID class functions on Windows.
#pragma once

#include <memory>

#include "hid/hid_backend.h"

namespace velor {

// nullptr when the system's HID service cannot be used.
std::unique_ptr<HidBackend> makeSystemHidBackend();

}  // namespace velor
