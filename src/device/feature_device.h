// The wired path of a page: the entry points of the slot's feature-device
// library that the page calls (GetFeature is resolved but never called).
#pragma once

#include <cstdint>
#include <span>

#include "device/devport_api.h"

namespace velor {

class FeatureDevice {
  public:
    virtual ~FeatureDevice() = default;
    virtual void setVidPid(std::uint16_t vendorId, std::uint16_t productId) = 0;
    virtual void openDevMonitor(const VelorPoster* window, std::uint32_t messageA,
                                std::uint32_t messageB) = 0;
    // Nonzero: the mouse's feature interface is open.
    virtual int openFeatureDevice() = 0;
    // Nonzero: sent.
    virtual int setFeature(std::span<const std::uint8_t> report) = 0;
    virtual void closeFeatureDevice() = 0;
    virtual void closeDevMonitor() = 0;
};

}  // namespace velor
