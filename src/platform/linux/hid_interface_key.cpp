#include "platform/hid_interface_key.h"

#include <filesystem>

namespace velor {

std::string hidInterfaceKey(const std::string& path) {
    // hidraw: /sys/class/hidraw/hidrawN/device is the HID device under the
    // USB interface under the USB device; the USB device is the key.
    constexpr std::string_view kHidraw = "/dev/hidraw";
    if (path.starts_with(kHidraw)) {
        std::error_code ec;
        const auto device =
            std::filesystem::canonical("/sys/class/hidraw/" + path.substr(5) + "/device", ec);
        if (ec) return {};
        return device.parent_path().parent_path().string();
    }
    // Other paths (the simulator's "sim:vid:pid:unit:interface"): all but the
    // last part.
    const auto last = path.rfind(':');
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

}  // namespace velor
