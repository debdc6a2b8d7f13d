// Enumerations served from the last scan of a vendor's devices until the
// system says a device came or went. A start asks often (each page whether
// its mouse is there and which interface to open, the receivers theirs), and
// each scan walks every HID device of the machine.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "hid/hid_backend.h"

namespace velor {

class ScanCache {
  public:
    // Every interface of a vendor's devices (0: of every vendor).
    using Scan = std::function<std::vector<HidDeviceInfo>(std::uint16_t vendorId)>;
    // Whether a device may have come or gone since it was last asked. Without
    // it every enumeration scans.
    using Changed = std::function<bool()>;

    ScanCache(Scan scan, Changed changed) : scan_(std::move(scan)), changed_(std::move(changed)) {}

    // Not thread-safe: the backend calls these under its lock.
    std::vector<HidDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId);
    // The next enumeration scans again.
    void forget() { byVendor_.clear(); }

  private:
    Scan scan_;
    Changed changed_;
    std::map<std::uint16_t, std::vector<HidDeviceInfo>> byVendor_;
};

}  // namespace velor
