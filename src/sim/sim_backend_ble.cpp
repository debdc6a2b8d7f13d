// The simulator's Bluetooth mice: connected and disconnected like the other
// devices, written to one report at a time, answering with notifications.
#include "sim/sim_backend.h"
#include "sim/sim_world.h"

namespace velor::sim {

// Called with the world's mutex held.
bool SimBackend::isBle(const SimMouse& mouse) const {
    for (const Interface& i : world_->interfaces)
        if (i.mouse == &mouse) return i.role == Role::BleMouse;
    return false;
}

SimMouse& SimBackend::plugBleMouse(const ModelDescriptor& model) {
    SimMouse* mouse = nullptr;
    BlePresenceSink presence;
    {
        const std::lock_guard guard(world_->mutex);
        mouse = world_->mice.emplace_back(std::make_unique<SimMouse>(model)).get();
        const int unit = world_->nextUnit++;
        const std::uint16_t pid = model.bleHidPid.value_or(0);
        Interface& i = world_->add("sim:ble:" + std::to_string(model.slot) + ":" +
                                       std::to_string(unit),
                                   pid, 0x0001, 0x0002, 0, Role::BleMouse, mouse, unit);
        i.info.vendorId = model.bleHidVid.value_or(0);
        std::weak_ptr<World> world = world_;
        // Notifications carry the status report without its report id.
        mouse->setEmit([world, slot = model.slot](std::vector<std::uint8_t> report) {
            const auto w = world.lock();
            if (!w || report.size() < 2) return;
            BleValueSink sink;
            {
                const std::lock_guard held(w->mutex);
                if (w->bleMouse(slot) == nullptr) return;
                if (const auto found = w->bleSubscribers.find(slot); found != w->bleSubscribers.end())
                    sink = found->second;
            }
            if (sink) sink(std::span(report).subspan(1));
        });
        world_->changed();
        presence = world_->blePresence;
    }
    if (presence) presence(model, true);
    return *mouse;
}

bool SimBackend::bleWrite(int slot, std::span<const std::uint8_t> report) {
    SimMouse* mouse = nullptr;
    {
        const std::lock_guard guard(world_->mutex);
        const Interface* i = world_->bleMouse(slot);
        if (i == nullptr) return false;
        mouse = i->mouse;
        world_->traceFrame(*i, report);
    }
    return mouse->receive(report, Via::Bluetooth);
}

void SimBackend::bleSubscribe(int slot, BleValueSink sink) {
    const std::lock_guard guard(world_->mutex);
    if (sink)
        world_->bleSubscribers[slot] = std::move(sink);
    else
        world_->bleSubscribers.erase(slot);
}

void SimBackend::setBlePresenceSink(BlePresenceSink sink) {
    const std::lock_guard guard(world_->mutex);
    world_->blePresence = std::move(sink);
}

std::vector<const ModelDescriptor*> SimBackend::connectedBleMice() {
    const std::lock_guard guard(world_->mutex);
    std::vector<const ModelDescriptor*> found;
    for (const Interface& i : world_->interfaces)
        if (i.role == Role::BleMouse && world_->plugged(i.unit))
            found.push_back(&i.mouse->model());
    return found;
}

}  // namespace velor::sim
