// Simulated USB devices behind the HidBackend interface: mice on the cable and
// 2.4 GHz receivers carrying a mouse. Tests, benchmarks and the program (when
// VELOR_SIMULATE is set) use it in place of hidapi.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "hid/hid_backend.h"
#include "sim/sim_mouse.h"

namespace velor::sim {

inline constexpr std::uint16_t kVendorId = 0x1D57;
inline constexpr std::uint16_t kReceiver24Pid = 0xFA60;
inline constexpr std::uint16_t kReceiver4kPid = 0xFA65;

class SimBackend final : public HidBackend {
  public:
    SimBackend();
    ~SimBackend() override;

    // A mouse plugged in by cable, found under its model's ids.
    SimMouse& plugWiredMouse(const ModelDescriptor& model);
    // A 2.4 GHz receiver (command and report interfaces) carrying a mouse.
    SimMouse& plugReceiver(const ModelDescriptor& mouseModel);
    // A 4K receiver (command interface 0xFF00/1 taking frames, report
    // interface 0x000A/0) carrying a mouse of slot 3, 4, 6 or 8.
    SimMouse& plug4kReceiver(const ModelDescriptor& mouseModel);

    // A mouse connected over Bluetooth LE (slots 6 to 9): enumerated under
    // vendor 0x045E and its Bluetooth product id, written with bleWrite, its
    // status reports delivered as notifications to the slot's subscriber.
    SimMouse& plugBleMouse(const ModelDescriptor& model);
    // A write to the command characteristic of the slot's connected Bluetooth
    // mouse; false when there is none or it refused the report.
    bool bleWrite(int slot, std::span<const std::uint8_t> report);
    // Who receives the notifications of the slot's Bluetooth mouse (empty: nobody).
    using BleValueSink = std::function<void(std::span<const std::uint8_t> value)>;
    void bleSubscribe(int slot, BleValueSink sink);
    // Told when a Bluetooth mouse connects or disconnects (plug, unplug).
    using BlePresenceSink = std::function<void(const ModelDescriptor& model, bool connected)>;
    void setBlePresenceSink(BlePresenceSink sink);
    std::vector<const ModelDescriptor*> connectedBleMice();

    // Pulls out (or puts back) the device that carries the mouse: the cable,
    // the receiver, or the Bluetooth connection. Open handles of a pulled
    // device fail.
    void unplug(const SimMouse& mouse);
    void plugBack(const SimMouse& mouse);

    // Mice behind receivers report their battery every interval, as real
    // ones do (the program uses this; tests drive reports themselves).
    void startHeartbeat(std::chrono::milliseconds interval);

    // Every frame a simulated mouse takes, with its link ("wired", "24g",
    // "4k", "ble") and slot; called with the backend's lock held.
    using TraceSink =
        std::function<void(std::string_view link, int slot, std::span<const std::uint8_t> frame)>;
    void setTraceSink(TraceSink sink);
    // A sink that appends each frame to file as one line "<link> <slot> <hex>",
    // flushed at once. False with an error when the file cannot be opened.
    bool traceTo(const std::string& file, std::string* error);

    // The mouse of a slot on a link ("wired", "24g", "4k", "ble"), or nullptr.
    SimMouse* mouseAt(int slot, std::string_view link);

    std::vector<HidDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    std::unique_ptr<HidDevice> open(const std::string& path) override;
    std::unique_ptr<HidChangeWatch> watchChanges() override;

    struct World;  // shared with open handles, which may outlive the backend

  private:
    struct Heartbeat;
    bool isBle(const SimMouse& mouse) const;

    std::shared_ptr<World> world_;
    std::thread heartbeat_;
    std::shared_ptr<Heartbeat> heartbeatState_;
};

// Builds the devices that VELOR_SIMULATE asks for: "1" for an MS_10 mouse on a
// 2.4 GHz receiver, or a list such as "10:24g,10:wired,7:ble". Entries for slots or
// links not supported yet are skipped; returns the number of devices made.
int populateFromList(SimBackend& backend, std::string_view devices);

}  // namespace velor::sim
