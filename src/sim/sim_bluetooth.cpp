#include "sim/sim_bluetooth.h"

namespace velor::sim {

namespace {

class SimBleLink final : public BleGattLink {
  public:
    SimBleLink(SimBackend& backend, int slot) : backend_(backend), slot_(slot) {}
    ~SimBleLink() override { unregister(); }

    void registerNotifications(OnValue onValue) override {
        backend_.bleSubscribe(slot_, std::move(onValue));
    }
    void unregister() override { backend_.bleSubscribe(slot_, {}); }
    int write(std::span<const std::uint8_t> report) override {
        return backend_.bleWrite(slot_, report) ? 1 : 0;
    }

  private:
    SimBackend& backend_;
    int slot_;
};

}  // namespace

SimBluetooth::~SimBluetooth() {
    backend_.setBlePresenceSink({});
}

void SimBluetooth::watch(Events events) {
    const auto presence = events.presence;
    if (!presence) return;
    backend_.setBlePresenceSink([presence](const ModelDescriptor& model, bool connected) {
        presence(*model.bleHidVid, *model.bleHidPid, connected);
    });
    for (const ModelDescriptor* model : backend_.connectedBleMice())
        presence(*model->bleHidVid, *model->bleHidPid, true);
}

std::unique_ptr<BleGattLink> SimBluetooth::linkFor(std::uint16_t vendor, std::uint16_t product) {
    const ModelDescriptor* model = descriptorForBle(vendor, product);
    if (model == nullptr) return nullptr;
    return std::make_unique<SimBleLink>(backend_, model->slot);
}

}  // namespace velor::sim
