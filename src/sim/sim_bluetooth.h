// The Bluetooth side of the system when the mice are simulated: the backend's
// Bluetooth mice, connected and disconnected as the simulator says, each
// reached through a link that writes to it and takes its notifications.
#pragma once

#include "device/bluetooth_mice.h"
#include "sim/sim_backend.h"

namespace velor::sim {

class SimBluetooth final : public BluetoothMice {
  public:
    explicit SimBluetooth(SimBackend& backend) : backend_(backend) {}
    ~SimBluetooth() override;

    void watch(Events events) override;
    std::unique_ptr<BleGattLink> linkFor(std::uint16_t vendor, std::uint16_t product) override;

  private:
    SimBackend& backend_;
};

}  // namespace velor::sim
