// One open HID interface on Windows: feature reports through HidD_SetFeature,
// output and input reports through overlapped WriteFile and ReadFile on the
// same handle, so a reader can wait while another thread sends.
#pragma once

#ifdef _WIN32

#include <cstddef>
#include <memory>

#include "hid/hid_backend.h"
#include "hid/windows/win_handle.h"

namespace velor {

// The longest report of each kind, report number included, from HidP_GetCaps.
struct ReportLengths {
    std::size_t input = 0;
    std::size_t output = 0;
    std::size_t feature = 0;
};

// Takes a handle opened with FILE_FLAG_OVERLAPPED; nullptr when the events it
// waits on cannot be made.
std::unique_ptr<HidDevice> makeWindowsHidDevice(UniqueHandle handle, ReportLengths lengths);

}  // namespace velor

#endif  // _WIN32
