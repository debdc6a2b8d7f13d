#include "hid/interface_key.h"

#ifdef _WIN32
#include "hid/windows/usb_device_of_interface.h"
#else
#include "hid/linux/udev_change_watch.h"
#endif

namespace velor {

std::string hidInterfaceKey(const std::string& path) {
#ifdef _WIN32
    // An interface path ("\\?\hid#..."): the USB device above it, as the
    // device tree knows it.
    if (path.starts_with(R"(\\?\)")) return usbDeviceOfHidInterface(path);
#else
    // hidraw: the USB device above the node, as udev knows it.
    if (path.starts_with("/dev/hidraw")) return usbDeviceOfHidraw(path);
#endif
    // Other paths (the simulator's "sim:vid:pid:unit:interface"): all but the
    // last part.
    const auto last = path.rfind(':');
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

}  // namespace velor
