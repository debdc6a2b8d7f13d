#include "hid/scan_cache.h"

#include <algorithm>

namespace velor {

std::vector<HidDeviceInfo> ScanCache::enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    if (!changed_ || changed_()) byVendor_.clear();
    auto it = byVendor_.find(vendorId);
    if (it == byVendor_.end()) it = byVendor_.emplace(vendorId, scan_(vendorId)).first;
    std::vector<HidDeviceInfo> found;
    std::ranges::copy_if(it->second, std::back_inserter(found), [&](const HidDeviceInfo& d) {
        return productId == 0 || d.productId == productId;
    });
    if (!changed_) byVendor_.clear();
    return found;
}

}  // namespace velor
