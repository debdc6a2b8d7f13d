#include "hid/interface_key.h"

#include "hid/udev_change_watch.h"

namespace velor {

std::string hidInterfaceKey(const std::string& path) {
    // hidraw: the USB device above the node, as udev knows it.
    if (path.starts_with("/dev/hidraw")) return usbDeviceOfHidraw(path);
    // Other paths (the simulator's "sim:vid:pid:unit:interface"): all but the
    // last part.
    const auto last = path.rfind(':');
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

}  // namespace velor
