// The workings of our feature-device library: finds the wired mouse by vendor
// and product id, watches it come and go, forwards its status reports, and
// writes feature reports to it. The exported C entry points forward here.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "device/devport_api.h"
#include "hid/hid_backend.h"
#include "util/wake_signal.h"

namespace velor {

class DevPort {
  public:
    // The backend is resolved on first use, so a program can hand over its own
    // before anything runs. Presence is looked at again when the backend says
    // a device came or went; a backend that cannot say is asked once per poll
    // interval.
    using BackendSource = std::function<HidBackend*()>;

    explicit DevPort(BackendSource backend,
                     std::chrono::milliseconds pollInterval = std::chrono::milliseconds(1000));
    ~DevPort();
    DevPort(const DevPort&) = delete;
    DevPort& operator=(const DevPort&) = delete;

    void setVidPid(std::uint16_t vendorId, std::uint16_t productId);
    void openMonitor(const VelorPoster* window, std::uint32_t messageA, std::uint32_t messageB);
    int openFeatureDevice();
    int setFeature(const std::uint8_t* report, int length);
    void closeFeatureDevice();
    void closeMonitor();

  private:
    void watchPresence(HidChangeWatch* watch, bool wasPresent);
    void readStatus();
    bool stopping();
    bool present();
    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    std::shared_ptr<HidDevice> device();
    std::shared_ptr<HidDevice> reader();
    void renewReader();

    BackendSource backendSource_;
    const std::chrono::milliseconds pollInterval_;
    std::atomic<std::uint16_t> vendorId_{0};
    std::atomic<std::uint16_t> productId_{0};

    std::mutex mutex_;  // device_, reader_, window_, messages, stop flag
    // Two handles on the one mouse: hidapi allows no two threads in calls on
    // one handle, and the monitor reads while the program's worker sends.
    std::shared_ptr<HidDevice> device_;  // feature reports (the caller's thread)
    std::shared_ptr<HidDevice> reader_;  // status reports (the reader thread)
    std::string path_;                   // where both were opened
    VelorPoster window_{nullptr, nullptr};
    std::uint32_t messageA_ = 0;
    std::uint32_t messageB_ = 0;
    bool stop_ = false;
    std::condition_variable wake_;     // a reader to read, or the end
    WakeSignal presenceWake_;          // ends the presence thread's poll interval
    HidChangeWatch* watch_ = nullptr;  // the presence thread's, under mutex_: stopped at the end
    std::thread presence_;
    std::thread reading_;
};

}  // namespace velor
