// The HidBackend on Windows: interfaces found through SetupAPI, opened with
// CreateFile, described by the HID class functions (attributes, caps).
#pragma once

#include <memory>

#include "hid/hid_backend.h"

namespace velor {

std::unique_ptr<HidBackend> makeWindowsHidBackend();

}  // namespace velor
