// How a page reaches its mouse: the wired path through the slot's
// feature-device library and the wireless path through the receiver's command
// interface; the connection state that picks the path; the worker thread on
// which every apply and every send runs, with the pacing the mouse needs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "device/ble_gatt_link.h"
#include "device/feature_device.h"
#include "device/link_view.h"
#include "device/worker_thread.h"
#include "hid/hid_backend.h"
#include "models/model_descriptor.h"
#include "platform/debug_output.h"
#include "platform/message_poster.h"
#include "util/clock.h"

namespace velor {

inline constexpr std::uint32_t kConnectedChangedMessage = 1290;
// Offsets from a slot's message base: the library's two messages and the
// apply request; the base itself is the worker's apply command.
inline constexpr std::uint32_t kLibraryMessageA = 3;
inline constexpr std::uint32_t kLibraryMessageB = 4;
inline constexpr std::uint32_t kApplyRequest = 5;
// A Bluetooth status notification on its way to the UI thread: wParam the
// event word, lParam the value.
inline constexpr std::uint32_t kBleStatusMessage = 6;

// Library messages A and B of a slot turned into the page's device code.
std::uint32_t deviceCodeFromMessageA(std::uintptr_t wParam, std::intptr_t lParam);
std::uint32_t deviceCodeFromMessageB(std::uintptr_t wParam);

class DeviceLink {
  public:
    struct Wiring {
        const ModelDescriptor& model;
        Clock& clock;
        MessagePoster& mainWindow;  // 1290, the apply request, the library's messages
        LinkView& view;
        DebugSink debug;
        BleGattLink* ble = nullptr;  // none: the Bluetooth path is never up
    };

    explicit DeviceLink(Wiring wiring);
    ~DeviceLink();  // close()
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Page start: the worker starts, then the library (null when it could not
    // be loaded: the wired path stays closed) is asked for the wired mouse.
    void open(std::unique_ptr<FeatureDevice> library);
    // The library's messages A and B as one code (UI thread).
    void onDeviceCode(std::uint32_t code);
    void setReceiver(std::shared_ptr<HidDevice> command, std::shared_ptr<HidDevice> report);
    // The 4K receiver's command and report interfaces (slots with a 4K path).
    void setReceiver4k(std::shared_ptr<HidDevice> command, std::shared_ptr<HidDevice> report);
    // Asks the main window to have the worker apply (message B + 5).
    void requestApply();
    // The main window re-posts the apply request here as thread message B.
    void postToWorker(std::uint32_t message);
    // What the worker runs for thread message B while a path is open; with
    // no path it runs the save handler instead.
    void setApplyHandler(std::function<void()> handler);
    // Has the worker store the profiles (whether or not a path is open); a
    // store already waiting on the worker serves for this one too.
    void requestSave();
    void setSaveHandler(std::function<void()> handler);
    // One report to the mouse (worker thread). Nonzero for success: taken by
    // the cable, or acknowledged through the receiver.
    int send(std::span<const std::uint8_t> report);
    // Page end: the worker drains its queue without touching the mouse any
    // more (so the program ends at once), then the library is closed.
    void close();

    int wiredState() const { return wiredState_; }
    bool wirelessOnline() const { return wirelessOnline_; }
    bool wireless4kOnline() const { return wireless4kOnline_; }
    bool bleOnline() const { return bleOnline_; }
    bool connected() const { return connected_; }
    bool offline() const { return offline_; }
    bool stopResend() const { return stopResend_; }
    bool closing() const { return closing_; }
    void setWirelessOnline(bool online);    // recomputes connected
    void setWireless4kOnline(bool online);  // recomputes connected
    void setOffline(bool offline) { offline_ = offline; }

    // Bluetooth (UI thread): the link up, subscribed to the mouse's status
    // notifications, or down; nothing happens on a slot without Bluetooth.
    void bleConnect();
    void bleDisconnect();
    // The mouse connected or went away on the Bluetooth side.
    void onBleArrival();
    void onBleRemoval();
    // A notification value, handed over to the UI thread as kBleStatusMessage.
    void onBleNotification(std::span<const std::uint8_t> value);
    // kBleStatusMessage on the UI thread: another model's report changes nothing.
    void onBleStatus(std::uint16_t eventWord, std::uint16_t value);
    void setStopResend(bool stop) { stopResend_ = stop; }
    bool hasLibrary() const { return library_ != nullptr; }

    // For tests: wait until the worker has nothing queued or running.
    void waitForWorker() const;
    // Nothing queued or running on the worker now.
    bool workerIdle() const;

  private:
    class PosterBridge;

    void updateConnected(bool alwaysPost);
    void onArrival();
    void onRemoval();
    int sendWired(std::span<const std::uint8_t> report, bool& done);
    int sendWireless(std::span<const std::uint8_t> report);
    int send4k(std::span<const std::uint8_t> report);
    void pause(Millis duration);
    bool anyPathUp() const;
    void onWorkerMessage(std::uint32_t message);
    std::shared_ptr<HidDevice> receiver() const;
    std::shared_ptr<HidDevice> receiver4k() const;

    Wiring w_;
    std::shared_ptr<PosterBridge> bridge_;  // shared with notification callbacks
    std::unique_ptr<FeatureDevice> library_;
    std::unique_ptr<WorkerThread> worker_;
    std::function<void()> applyHandler_;
    std::function<void()> saveHandler_;
    std::atomic<bool> saveQueued_{false};

    std::atomic<int> wiredState_{0};  // 1 wired; 0 never found; 2 removed
    std::atomic<bool> wirelessOnline_{false};
    std::atomic<bool> wireless4kOnline_{false};
    std::atomic<bool> bleOnline_{false};
    std::atomic<bool> offline_{true};
    std::atomic<bool> stopResend_{false};
    std::atomic<bool> closing_{false};
    WakeSignal closeWake_;    // cuts a pause short when the link closes
    bool connected_ = false;  // UI thread only

    mutable std::mutex receiverMutex_;
    std::shared_ptr<HidDevice> receiverCommand_;
    std::shared_ptr<HidDevice> receiverReport_;
    std::shared_ptr<HidDevice> receiver4kCommand_;
    std::shared_ptr<HidDevice> receiver4kReport_;
};

}  // namespace velor
