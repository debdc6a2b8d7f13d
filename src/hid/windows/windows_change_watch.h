// HID interfaces coming and going on Windows, for HidBackend::watchChanges.
// Two sources, the same waiting: cfgmgr32's notification callback where the
// system has it, else a message-only window told by RegisterDeviceNotification.
#pragma once

#ifdef _WIN32

#include <cstdint>
#include <memory>

#include "hid/hid_backend.h"

namespace velor {

// Whichever source this system offers; nullptr when neither can be set up.
std::unique_ptr<HidChangeWatch> watchHidInterfaceChanges(std::uint16_t vendorId);

// Each source on its own, so both can be tried on one system.
std::unique_ptr<HidChangeWatch> watchThroughCmNotification(std::uint16_t vendorId);
std::unique_ptr<HidChangeWatch> watchThroughWindow(std::uint16_t vendorId);

// The class name of the fallback's message-only window (found by tests to
// hand it a WM_DEVICECHANGE of their own).
inline constexpr const wchar_t* kChangeWindowClass = L"VelorHidChangeWindow";

}  // namespace velor

#endif  // _WIN32
