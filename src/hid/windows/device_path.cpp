#include "hid/windows/device_path.h"

#include <cctype>
#include <string>

namespace velor {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Exactly `digits` hex digits after the first `key` in the lowered path.
std::optional<unsigned> hexAfter(const std::string& path, std::string_view key, int digits) {
    const auto at = path.find(key);
    if (at == std::string::npos) return std::nullopt;
    const std::size_t start = at + key.size();
    if (path.size() < start + static_cast<std::size_t>(digits)) return std::nullopt;
    unsigned value = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = hexDigit(path[start + static_cast<std::size_t>(i)]);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

}  // namespace

int interfaceNumberFromPath(std::string_view path) {
    const auto number = hexAfter(lowered(path), "&mi_", 2);
    return number ? static_cast<int>(*number) : -1;
}

std::optional<UsbIds> usbIdsFromPath(std::string_view path) {
    const std::string low = lowered(path);
    const auto vendor = hexAfter(low, "vid_", 4);
    const auto product = hexAfter(low, "pid_", 4);
    if (!vendor || !product) return std::nullopt;
    return UsbIds{static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*product)};
}

bool changeConcernsVendor(std::string_view path, std::uint16_t vendorId) {
    const auto vendor = hexAfter(lowered(path), "vid_", 4);
    return !vendor || *vendor == vendorId;
}

bool namesUsbDevice(std::string_view instanceId) {
    const std::string low = lowered(instanceId);
    return low.starts_with("usb\\") && low.find("&mi_") == std::string::npos;
}

bool systemOwnsCollection(std::uint16_t usagePage, std::uint16_t usage) {
    constexpr std::uint16_t kGenericDesktop = 0x01;
    constexpr std::uint16_t kMouse = 0x02;
    constexpr std::uint16_t kKeyboard = 0x06;
    return usagePage == kGenericDesktop && (usage == kMouse || usage == kKeyboard);
}

}  // namespace velor
