// Which USB device a Windows HID interface belongs to: the command and report
// interfaces of one receiver sit under one USB device node, and its instance
// id pairs them, as the USB device's sysfs path does on Linux.
#pragma once

#include <string>

namespace velor {

// The instance id of the USB device above the interface at path
// ("USB\VID_1D57&PID_FA60\5&2A1B&0&3"); empty when the device tree does not
// know the path.
std::string usbDeviceOfHidInterface(const std::string& path);

}  // namespace velor
