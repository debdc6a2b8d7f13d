// Test doubles around the device link: a scripted feature-device library, a
// view and a main window that record what reaches them.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/feature_device.h"
#include "device/link_view.h"
#include "devport/in_process_library.h"
#include "platform/message_poster.h"
#include "util/virtual_clock.h"

namespace velor::testing {

struct PostedMessage {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

class RecordingPoster final : public MessagePoster {
  public:
    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        const std::lock_guard guard(mutex);
        messages.push_back({message, wParam, lParam});
    }
    std::vector<PostedMessage> take() {
        const std::lock_guard guard(mutex);
        return std::exchange(messages, {});
    }
    int count(std::uint32_t message) {
        const std::lock_guard guard(mutex);
        int n = 0;
        for (const auto& m : messages) n += m.message == message;
        return n;
    }
    std::mutex mutex;
    std::vector<PostedMessage> messages;
};

class RecordingView final : public LinkView {
  public:
    void showWiredIcon(bool shown) override { log("wired " + std::to_string(shown)); }
    void showSleepLabel(bool shown) override { log("sleep " + std::to_string(shown)); }
    void showChargingText() override { log("charging_text"); }
    void clearPowerLabel() override { log("power cleared"); }
    void startChargingAnimation(bool reset) override { log("animation " + std::to_string(reset)); }
    void stopChargingAnimation() override { log("animation stopped"); }
    void showFeatureSections() override { log("sections"); }
    void onStatusReport(std::uint16_t word, std::uint16_t value) override {
        statusReports.push_back({word, value});
    }
    void onLinkUp() override { log("link up"); }
    void showBleIcon(bool shown) override { log("ble " + std::to_string(shown)); }
    void onBleReport(std::uint16_t word, std::uint16_t value) override {
        bleReports.push_back({word, value});
    }
    void log(std::string line) { calls.push_back(std::move(line)); }

    std::vector<std::string> calls;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> statusReports;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> bleReports;
};

// A library whose results are scripted; every call is logged with the
// virtual time it happened at.
class FakeLibrary final : public FeatureDevice {
  public:
    struct Call {
        std::string name;
        long long at;
        std::vector<std::uint8_t> bytes;
    };

    explicit FakeLibrary(VirtualClock& clock) : clock_(clock) {}

    void setVidPid(std::uint16_t v, std::uint16_t p) override {
        log("Set_VIDPID", {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v),
                           static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)});
    }
    void openDevMonitor(const VelorPoster* w, std::uint32_t a, std::uint32_t b) override {
        window = w ? *w : VelorPoster{};
        messageA = a;
        messageB = b;
        log("Open_DevMonitor");
    }
    int openFeatureDevice() override {
        log("Open_FeatureDevice");
        return openResult;
    }
    int setFeature(std::span<const std::uint8_t> r) override {
        log("SetFeature", {r.begin(), r.end()});
        if (!setFeatureResults.empty()) {
            const int result = setFeatureResults.front();
            setFeatureResults.pop_front();
            return result;
        }
        return static_cast<int>(r.size());
    }
    void closeFeatureDevice() override { log("Close_FeatureDevice"); }
    void closeDevMonitor() override { log("Close_DevMonitor"); }

    // What the library would post to the window it was given.
    void post(std::uint32_t message, std::uintptr_t w, std::intptr_t l) const {
        if (window.post) window.post(window.context, message, w, l);
    }
    std::vector<Call> callsNamed(const std::string& name) const {
        std::vector<Call> found;
        for (const Call& c : calls)
            if (c.name == name) found.push_back(c);
        return found;
    }

    int openResult = 1;
    std::deque<int> setFeatureResults;  // then: the length, i.e. success
    std::vector<Call> calls;
    VelorPoster window{};
    std::uint32_t messageA = 0;
    std::uint32_t messageB = 0;

  private:
    void log(std::string name, std::vector<std::uint8_t> bytes = {}) {
        calls.push_back({std::move(name), clock_.now().count(), std::move(bytes)});
    }
    VirtualClock& clock_;
};

// Kept under its old name for the tests.
using velor::InProcessLibrary;

}  // namespace velor::testing
