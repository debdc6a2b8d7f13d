#include "hid/interface_key.h"

#ifndef _WIN32
#include "hid/linux/udev_change_watch.h"
#endif

namespace velor {

std::string hidInterfaceKey(const std::string& path) {
#ifndef _WIN32
    // hidraw: the USB device above the node, as udev knows it.
    if (path.starts_with("/dev/hidraw")) return usbDeviceOfHidraw(path);
#endif
    // Other paths (the simulator's "sim:vid:pid:unit:interface"): all but the
    // last part.
    const auto last = path.rfind(':');
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

}  // namespace velor
