#include "device/ble_ids.h"

#include <charconv>

namespace velor {

namespace {

// Exactly `digits` hex digits at the start of text.
std::optional<std::uint32_t> hexField(std::string_view text, std::size_t digits) {
    if (text.size() < digits) return std::nullopt;
    std::uint32_t value = 0;
    const char* end = text.data() + digits;
    const auto [stop, ec] = std::from_chars(text.data(), end, value, 16);
    if (ec != std::errc() || stop != end) return std::nullopt;
    return value;
}

}  // namespace

std::optional<BleIds> idsFromModalias(std::string_view modalias) {
    const auto colon = modalias.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view ids = modalias.substr(colon + 1);
    if (ids.size() < 10 || (ids[0] != 'v' && ids[0] != 'V') || (ids[5] != 'p' && ids[5] != 'P'))
        return std::nullopt;
    const auto vendor = hexField(ids.substr(1), 4);
    const auto product = hexField(ids.substr(6), 4);
    if (!vendor || !product) return std::nullopt;
    return BleIds{static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*product)};
}

bool uuidIs(std::string_view uuid, std::uint16_t shortUuid) {
    const auto first = hexField(uuid, 8);
    return first && *first == shortUuid && (uuid.size() == 8 || uuid[8] == '-');
}

}  // namespace velor
