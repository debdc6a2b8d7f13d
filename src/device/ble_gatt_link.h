// The Bluetooth LE path to a mouse: whether it is up, and a write of one
// command. The Bluetooth stack's own implementation comes with the Bluetooth
// support; until then a page has none, which is a link that is never up.
#pragma once

#include <cstdint>
#include <span>

namespace velor {

class BleGattLink {
  public:
    virtual ~BleGattLink() = default;
    virtual bool online() const = 0;
    // Nonzero when the mouse took the command.
    virtual int write(std::span<const std::uint8_t> report) = 0;
};

}  // namespace velor
