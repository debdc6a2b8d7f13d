// hidraw devices coming and going, as udev announces them on a netlink
// socket, and the vendor of each device that changed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "hid/hid_backend.h"

namespace velor {

// Changes of hidraw devices whose HID vendor is vendorId; nullptr when udev
// cannot be reached.
std::unique_ptr<HidChangeWatch> watchHidrawChanges(std::uint16_t vendorId);

// Whether any hidraw node came, went or changed since the last call (the
// first call: since this was made), without waiting; empty when udev cannot
// be reached.
std::function<bool()> hidrawEventsSince();

// Whether a udev action on an hidraw node is a device of vendorId coming or
// going; hidId is the HID_ID of its hid parent, null when none is left.
bool hidrawChangeConcerns(std::string_view action, const char* hidId, std::uint16_t vendorId);

// The USB device an hidraw node ("/dev/hidraw3") belongs to, as its sysfs
// path; empty when udev does not know the node.
std::string usbDeviceOfHidraw(const std::string& devnode);

}  // namespace velor
