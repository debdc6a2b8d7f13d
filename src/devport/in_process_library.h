// Our feature-device library's workings used in-process as the page uses a
// loaded library: the command line and the tests reach simulated mice this
// way, without loading a shared object.
#pragma once

#include <chrono>

#include "device/feature_device.h"
#include "devport/dev_port.h"

namespace velor {

class InProcessLibrary final : public FeatureDevice {
  public:
    explicit InProcessLibrary(HidBackend& backend,
                              std::chrono::milliseconds pollInterval = std::chrono::milliseconds(5))
        : port_([&backend] { return &backend; }, pollInterval) {}
    void setVidPid(std::uint16_t v, std::uint16_t p) override { port_.setVidPid(v, p); }
    void openDevMonitor(const VelorPoster* w, std::uint32_t a, std::uint32_t b) override {
        port_.openMonitor(w, a, b);
    }
    int openFeatureDevice() override { return port_.openFeatureDevice(); }
    int setFeature(std::span<const std::uint8_t> r) override {
        return port_.setFeature(r.data(), static_cast<int>(r.size()));
    }
    void closeFeatureDevice() override { port_.closeFeatureDevice(); }
    void closeDevMonitor() override { port_.closeMonitor(); }

  private:
    DevPort port_;
};

}  // namespace velor
