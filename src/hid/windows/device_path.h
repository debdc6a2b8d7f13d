// What a Windows HID interface path tells without opening the device:
// "\\?\hid#vid_1d57&pid_fa60&mi_01&col02#7&2f1c3a&0&0001#{4d1e55b2-...}".
// Plain text work, so it is tested on every system.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velor {

struct UsbIds {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    friend bool operator==(const UsbIds&, const UsbIds&) = default;
};

// The USB interface number from "&mi_NN" (two hex digits, any case); -1 when
// the path names none, as for a device with a single interface.
int interfaceNumberFromPath(std::string_view path);

// Vendor and product from "vid_XXXX" and "pid_XXXX" (any case); nullopt when
// either is missing or not four hex digits (Bluetooth paths spell them otherwise).
std::optional<UsbIds> usbIdsFromPath(std::string_view path);

// Whether an interface that came or went may be one of vendorId's: a path we
// cannot read is counted, since a needless look costs one enumeration and a
// missed one loses a device.
bool changeConcernsVendor(std::string_view path, std::uint16_t vendorId);

// Whether a device instance id names a whole USB device, not one of its
// interfaces ("USB\VID_1D57&PID_FA60&MI_01\...") nor an HID collection
// ("HID\...").
bool namesUsbDevice(std::string_view instanceId);

// Top-level collections Windows keeps for itself (the pointer and the
// keyboard): no user is ever given read/write access to them, so their
// refusal says nothing about this user's rights.
bool systemOwnsCollection(std::uint16_t usagePage, std::uint16_t usage);

}  // namespace velor
