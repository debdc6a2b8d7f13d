#include "sim/sim_backend.h"

#include <charconv>
#include <chrono>
#include <cstdio>

#include "platform/thread_name.h"
#include "sim/sim_world.h"

namespace velor::sim {

struct SimBackend::Heartbeat {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
};

namespace {

class SimDevice final : public HidDevice {
  public:
    SimDevice(std::shared_ptr<SimBackend::World> world, std::string path)
        : world_(std::move(world)), path_(std::move(path)) {}

    int sendFeatureReport(std::span<const std::uint8_t> report) override {
        SimMouse* mouse = nullptr;
        Via via = Via::Cable;
        {
            const std::lock_guard guard(world_->mutex);
            Interface* i = world_->find(path_);
            if (i == nullptr || !world_->plugged(i->unit) || carriesReports(i->role) ||
                i->role == Role::Receiver4kCommand)
                return -1;
            mouse = i->mouse;
            via = i->role == Role::WiredMouse ? Via::Cable : Via::Receiver;
            world_->traceFrame(*i, report);
        }
        return mouse->receive(report, via) ? static_cast<int>(report.size()) : -1;
    }

    // Output reports: the 4K receiver's frames, each one 65 bytes.
    int write(std::span<const std::uint8_t> frame) override {
        SimMouse* mouse = nullptr;
        Frame4kReader::Result r;
        {
            const std::lock_guard guard(world_->mutex);
            Interface* i = world_->find(path_);
            if (i == nullptr || !world_->plugged(i->unit) || i->role != Role::Receiver4kCommand)
                return -1;
            mouse = i->mouse;
            world_->traceFrame(*i, frame);
            // Under the lock: an unplug resets the reader.
            r = i->frames->take(frame);
        }
        // The receiver stalls a frame it cannot take, so the write fails and
        // the program can tell that the report did not arrive.
        if (r.outcome == Frame4kReader::Outcome::Malformed) {
            mouse->countMalformed();
            return -1;
        }
        if (r.outcome == Frame4kReader::Outcome::Report &&
            !mouse->receive(r.report, Via::Receiver4k))
            return -1;
        return static_cast<int>(frame.size());
    }

    int readTimeout(std::span<std::uint8_t> buffer, int timeoutMs) override {
        std::unique_lock lock(world_->mutex);
        const auto ready = [&] {
            const Interface* i = world_->find(path_);
            return cancelled_ || i == nullptr || !world_->plugged(i->unit) || !i->inputs.empty();
        };
        if (timeoutMs < 0) {
            world_->inputArrived.wait(lock, ready);
        } else if (timeoutMs > 0) {
            world_->inputArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
        }
        if (cancelled_) return 0;
        Interface* i = world_->find(path_);
        if (i == nullptr || !world_->plugged(i->unit)) return -1;
        if (i->inputs.empty()) return 0;
        const std::vector<std::uint8_t> report = std::move(i->inputs.front());
        i->inputs.pop_front();
        const std::size_t n = std::min(report.size(), buffer.size());
        std::copy_n(report.begin(), n, buffer.begin());
        return static_cast<int>(n);
    }

    void cancelReads() override {
        {
            const std::lock_guard guard(world_->mutex);
            cancelled_ = true;
        }
        world_->inputArrived.notify_all();
    }

    // Only readTimeout exists here, and its timeout already says how long to wait.
    bool setNonBlocking(bool) override { return true; }

  private:
    std::shared_ptr<SimBackend::World> world_;
    std::string path_;
    bool cancelled_ = false;  // under the world's mutex
};

class SimChangeWatch final : public HidChangeWatch {
  public:
    explicit SimChangeWatch(std::shared_ptr<SimChange> change) : change_(std::move(change)) {}
    bool waitForChange() override {
        if (change_->stopped) return false;
        change_->woken.wait();
        return !change_->stopped;
    }
    void stop() override {
        change_->stopped = true;
        change_->woken.signal();
    }

  private:
    std::shared_ptr<SimChange> change_;
};

std::string pathOf(std::uint16_t pid, int unit, int interfaceNumber) {
    char text[48];
    std::snprintf(text, sizeof text, "sim:1d57:%04x:%d:%d", pid, unit, interfaceNumber);
    return text;
}

}  // namespace

SimMouse& SimBackend::World::plugReceiver(const ModelDescriptor& model, std::uint16_t pid,
                                          std::uint16_t commandPage, std::uint16_t commandUsage,
                                          Role commandRole, Role reportRole) {
    SimMouse& mouse = *mice.emplace_back(std::make_unique<SimMouse>(model));
    const int unit = nextUnit++;
    const std::string report = pathOf(pid, unit, 1);
    add(pathOf(pid, unit, 0), pid, commandPage, commandUsage, 0, commandRole, &mouse, unit);
    add(report, pid, kReportUsagePage, 0, 1, reportRole, &mouse, unit);
    mouse.setEmit([world = weak_from_this(), report](std::vector<std::uint8_t> bytes) {
        if (auto w = world.lock()) w->push(report, std::move(bytes));
    });
    changed();
    return mouse;
}

SimBackend::SimBackend() : world_(std::make_shared<World>()) {}

void SimBackend::startHeartbeat(std::chrono::milliseconds interval) {
    if (heartbeat_.joinable()) return;
    heartbeatState_ = std::make_shared<Heartbeat>();
    heartbeat_ = std::thread([world = world_, state = heartbeatState_, interval] {
        nameThisThread("sim-heartbeat");
        // Sleeps the whole interval; only the end of the backend wakes it early.
        std::unique_lock lock(state->mutex);
        while (!state->stop) {
            lock.unlock();
            std::vector<SimMouse*> carried;
            {
                const std::lock_guard guard(world->mutex);
                for (const Interface& i : world->interfaces)
                    if (carriesReports(i.role) && world->plugged(i.unit))
                        carried.push_back(i.mouse);
            }
            for (SimMouse* mouse : carried) mouse->emitBattery();
            lock.lock();
            state->wake.wait_for(lock, interval, [&] { return state->stop; });
        }
    });
}

void SimBackend::setTraceSink(TraceSink sink) {
    const std::lock_guard guard(world_->mutex);
    world_->trace = std::move(sink);
}

bool SimBackend::traceTo(const std::string& file, std::string* error) {
    std::shared_ptr<std::FILE> f(std::fopen(file.c_str(), "a"), [](std::FILE* open) {
        if (open) std::fclose(open);
    });
    if (!f) {
        if (error) *error = "cannot open " + file + " for the trace";
        return false;
    }
    setTraceSink([f](std::string_view link, int slot, std::span<const std::uint8_t> frame) {
        std::string line = std::string(link) + " " + std::to_string(slot) + " ";
        static constexpr char kHex[] = "0123456789abcdef";
        for (const std::uint8_t b : frame) {
            line += kHex[b >> 4];
            line += kHex[b & 0x0F];
        }
        line += '\n';
        std::fputs(line.c_str(), f.get());
        std::fflush(f.get());
    });
    return true;
}

SimMouse* SimBackend::mouseAt(int slot, std::string_view link) {
    const std::lock_guard guard(world_->mutex);
    for (const Interface& i : world_->interfaces) {
        if (i.mouse->model().slot != slot) continue;
        if ((link == "wired" && i.role == Role::WiredMouse) ||
            (link == "24g" && i.role == Role::ReceiverCommand) ||
            (link == "4k" && i.role == Role::Receiver4kCommand) ||
            (link == "ble" && i.role == Role::BleMouse))
            return i.mouse;
    }
    return nullptr;
}

SimBackend::~SimBackend() {
    if (heartbeatState_) {
        {
            const std::lock_guard guard(heartbeatState_->mutex);
            heartbeatState_->stop = true;
        }
        heartbeatState_->wake.notify_all();
    }
    if (heartbeat_.joinable()) heartbeat_.join();
    // Wake readers so they see their devices gone rather than wait on.
    {
        const std::lock_guard guard(world_->mutex);
        for (Interface& i : world_->interfaces) world_->unplugged.push_back(i.unit);
    }
    world_->inputArrived.notify_all();
}

SimMouse& SimBackend::plugWiredMouse(const ModelDescriptor& model) {
    const std::lock_guard guard(world_->mutex);
    SimMouse& mouse = *world_->mice.emplace_back(std::make_unique<SimMouse>(model));
    const int unit = world_->nextUnit++;
    const std::string path = pathOf(model.pid, unit, 0);
    world_->add(path, model.pid, kWiredUsagePage, 1, 0, Role::WiredMouse, &mouse, unit);
    std::weak_ptr<World> world = world_;
    mouse.setEmit([world, path](std::vector<std::uint8_t> report) {
        if (auto w = world.lock()) w->push(path, std::move(report));
    });
    world_->changed();
    return mouse;
}

SimMouse& SimBackend::plugReceiver(const ModelDescriptor& mouseModel) {
    const std::lock_guard guard(world_->mutex);
    return world_->plugReceiver(mouseModel, kReceiver24Pid, kCommandUsagePage, 0,
                                Role::ReceiverCommand, Role::ReceiverReport);
}

SimMouse& SimBackend::plug4kReceiver(const ModelDescriptor& mouseModel) {
    const std::lock_guard guard(world_->mutex);
    SimMouse& mouse = world_->plugReceiver(mouseModel, kReceiver4kPid, k4kCommandUsagePage, 1,
                                           Role::Receiver4kCommand, Role::Receiver4kReport);
    world_->find(pathOf(kReceiver4kPid, world_->unitOf(mouse), 0))->frames =
        std::make_shared<Frame4kReader>();
    return mouse;
}

void SimBackend::unplug(const SimMouse& mouse) {
    BlePresenceSink presence;
    SimMouse* powered = nullptr;
    {
        const std::lock_guard guard(world_->mutex);
        const int unit = world_->unitOf(mouse);
        if (world_->plugged(unit)) world_->unplugged.push_back(unit);
        // Reports waiting in it and half-sent macros go with the device.
        for (Interface& i : world_->interfaces) {
            if (i.unit != unit) continue;
            i.inputs.clear();
            if (i.frames) i.frames->reset();
            powered = i.mouse;
        }
        world_->changed();
        if (isBle(mouse)) presence = world_->blePresence;
    }
    if (powered != nullptr) powered->losePower();
    world_->inputArrived.notify_all();
    if (presence) presence(mouse.model(), false);
}

void SimBackend::plugBack(const SimMouse& mouse) {
    BlePresenceSink presence;
    {
        const std::lock_guard guard(world_->mutex);
        const int unit = world_->unitOf(mouse);
        std::erase(world_->unplugged, unit);
        world_->changed();
        if (isBle(mouse)) presence = world_->blePresence;
    }
    if (presence) presence(mouse.model(), true);
}

std::vector<HidDeviceInfo> SimBackend::enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    const std::lock_guard guard(world_->mutex);
    std::vector<HidDeviceInfo> found;
    for (const Interface& i : world_->interfaces) {
        if (!world_->plugged(i.unit)) continue;
        if ((vendorId == 0 || i.info.vendorId == vendorId) &&
            (productId == 0 || i.info.productId == productId))
            found.push_back(i.info);
    }
    return found;
}

std::unique_ptr<HidChangeWatch> SimBackend::watchChanges() {
    auto change = std::make_shared<SimChange>();
    const std::lock_guard guard(world_->mutex);
    world_->watches.push_back(change);
    return std::make_unique<SimChangeWatch>(std::move(change));
}

std::unique_ptr<HidDevice> SimBackend::open(const std::string& path) {
    const std::lock_guard guard(world_->mutex);
    const Interface* i = world_->find(path);
    if (i == nullptr || !world_->plugged(i->unit)) return nullptr;
    return std::make_unique<SimDevice>(world_, path);
}

int populateFromList(SimBackend& backend, std::string_view devices) {
    if (devices.empty() || devices == "0") return 0;
    if (devices == "1") devices = "10:24g";
    int made = 0;
    while (!devices.empty()) {
        const auto comma = devices.find(',');
        const std::string_view entry = devices.substr(0, comma);
        devices = comma == std::string_view::npos ? std::string_view() : devices.substr(comma + 1);
        const auto colon = entry.find(':');
        if (colon == std::string_view::npos) continue;
        int slot = 0;
        const auto digits = entry.substr(0, colon);
        if (std::from_chars(digits.data(), digits.data() + digits.size(), slot).ec != std::errc())
            continue;
        const ModelDescriptor* model = supportedDescriptor(slot);
        const std::string_view link = entry.substr(colon + 1);
        if (model == nullptr) continue;
        if (link == "wired") {
            backend.plugWiredMouse(*model);
            ++made;
        } else if (link == "24g") {
            backend.plugReceiver(*model);
            ++made;
        } else if (link == "4k" && model->has4k) {
            backend.plug4kReceiver(*model);
            ++made;
        } else if (link == "ble" && model->hasBle) {
            backend.plugBleMouse(*model);
            ++made;
        }
    }
    return made;
}

}  // namespace velor::sim
