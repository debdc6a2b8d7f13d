// The simulated devices' shared state, as the backend and its open handles
// see it: each interface with its role, queue and mouse, the units pulled
// out, the trace and Bluetooth sinks. Internal to the simulator.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/frame_4k_reader.h"
#include "sim/sim_backend.h"
#include "util/wake_signal.h"

namespace velor::sim {

// How an interface serves its mouse.
enum class Role : std::uint8_t {
    WiredMouse,
    ReceiverCommand,
    ReceiverReport,
    Receiver4kCommand,
    Receiver4kReport,
    BleMouse
};

// Usage pages the program looks for on a receiver; a wired mouse shows a
// vendor-defined collection.
inline constexpr std::uint16_t kCommandUsagePage = 0x000B;
inline constexpr std::uint16_t kReportUsagePage = 0x000A;
inline constexpr std::uint16_t kWiredUsagePage = 0xFF00;
inline constexpr std::uint16_t k4kCommandUsagePage = 0xFF00;
inline constexpr std::size_t kMaxQueuedInputs = 256;

// What a trace line calls each way into a mouse.
inline const char* linkName(Role role) {
    switch (role) {
        case Role::WiredMouse:
            return "wired";
        case Role::Receiver4kCommand:
        case Role::Receiver4kReport:
            return "4k";
        case Role::BleMouse:
            return "ble";
        default:
            return "24g";
    }
}

inline bool carriesReports(Role role) {
    return role == Role::ReceiverReport || role == Role::Receiver4kReport || role == Role::BleMouse;
}

struct Interface {
    HidDeviceInfo info;
    Role role = Role::WiredMouse;
    SimMouse* mouse = nullptr;
    int unit = 0;  // the USB device this interface belongs to
    std::deque<std::vector<std::uint8_t>> inputs;
    std::shared_ptr<Frame4kReader> frames;  // a 4K receiver's command interface
};

// A change watch's wake-up, signalled whenever a device comes or goes.
struct SimChange {
    WakeSignal woken;
    std::atomic<bool> stopped = false;
};

struct SimBackend::World : std::enable_shared_from_this<SimBackend::World> {
    std::mutex mutex;
    std::vector<std::weak_ptr<SimChange>> watches;  // under mutex
    SimBackend::TraceSink trace;                    // under mutex
    std::condition_variable inputArrived;
    std::vector<std::unique_ptr<SimMouse>> mice;
    std::vector<Interface> interfaces;
    std::vector<int> unplugged;  // units pulled out
    int nextUnit = 1;
    std::map<int, SimBackend::BleValueSink> bleSubscribers;  // by slot, under mutex
    SimBackend::BlePresenceSink blePresence;                 // under mutex

    bool plugged(int unit) const {
        return std::find(unplugged.begin(), unplugged.end(), unit) == unplugged.end();
    }
    Interface* find(const std::string& path) {
        for (Interface& i : interfaces)
            if (i.info.path == path) return &i;
        return nullptr;
    }
    void push(const std::string& path, std::vector<std::uint8_t> report) {
        {
            const std::lock_guard guard(mutex);
            Interface* i = find(path);
            if (i == nullptr || !plugged(i->unit)) return;
            if (i->inputs.size() >= kMaxQueuedInputs) i->inputs.pop_front();
            i->inputs.push_back(std::move(report));
        }
        inputArrived.notify_all();
    }
    Interface& add(const std::string& path, std::uint16_t pid, std::uint16_t usagePage,
                   std::uint16_t usage, int interfaceNumber, Role role, SimMouse* mouse, int unit) {
        Interface& i = interfaces.emplace_back();
        i.info.path = path;
        i.info.vendorId = kVendorId;
        i.info.productId = pid;
        i.info.usagePage = usagePage;
        i.info.usage = usage;
        i.info.interfaceNumber = interfaceNumber;
        i.role = role;
        i.mouse = mouse;
        i.unit = unit;
        return i;
    }
    // The connected Bluetooth mouse of a slot; called with mutex held.
    Interface* bleMouse(int slot) {
        for (Interface& i : interfaces)
            if (i.role == Role::BleMouse && i.mouse->model().slot == slot && plugged(i.unit))
                return &i;
        return nullptr;
    }
    int unitOf(const SimMouse& mouse) {
        for (const Interface& i : interfaces)
            if (i.mouse == &mouse) return i.unit;
        return 0;
    }
    // A receiver (command and report interfaces, one USB unit) carrying a
    // new mouse whose reports go to the report interface; mutex held.
    SimMouse& plugReceiver(const ModelDescriptor& model, std::uint16_t pid,
                           std::uint16_t commandPage, std::uint16_t commandUsage, Role commandRole,
                           Role reportRole);

    // Called with mutex held.
    void changed() {
        std::erase_if(watches, [](const std::weak_ptr<SimChange>& w) { return w.expired(); });
        for (const auto& w : watches)
            if (const auto c = w.lock()) c->woken.signal();
    }
    // Called with mutex held.
    void traceFrame(const Interface& i, std::span<const std::uint8_t> frame) {
        if (trace) trace(linkName(i.role), i.mouse->model().slot, frame);
    }
};

}  // namespace velor::sim
