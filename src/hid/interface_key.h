// Which USB device an HID interface belongs to: the command and report
// interfaces of one receiver share this key, which pairs them.
#pragma once

#include <string>

namespace velor {

// From the interface's path as enumeration gives it; empty when unknown.
std::string hidInterfaceKey(const std::string& path);

}  // namespace velor
