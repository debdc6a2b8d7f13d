#include "devport/dev_port.h"

#include <array>

namespace velor {

namespace {

constexpr std::uint8_t kStatusReportId = 3;
constexpr std::size_t kStatusReportLength = 5;
constexpr int kReadWaitMs = 50;
// Vendor-defined collections start here; a mouse's configuration interface is one.
constexpr std::uint16_t kVendorUsagePage = 0xFF00;

}  // namespace

DevPort::DevPort(BackendSource backend, std::chrono::milliseconds pollInterval)
    : backendSource_(std::move(backend)), pollInterval_(pollInterval) {}

DevPort::~DevPort() {
    closeMonitor();
    closeFeatureDevice();
}

void DevPort::setVidPid(std::uint16_t vendorId, std::uint16_t productId) {
    vendorId_ = vendorId;
    productId_ = productId;
}

void DevPort::openMonitor(const VelorPoster* window, std::uint32_t messageA,
                          std::uint32_t messageB) {
    closeMonitor();
    {
        const std::lock_guard guard(mutex_);
        window_ = window != nullptr ? *window : VelorPoster{nullptr, nullptr};
        messageA_ = messageA;
        messageB_ = messageB;
        stop_ = false;
    }
    monitor_ = std::thread([this] { monitor(); });
}

void DevPort::closeMonitor() {
    {
        const std::lock_guard guard(mutex_);
        stop_ = true;
        // Nothing is posted once the program has closed the monitor.
        window_ = {nullptr, nullptr};
    }
    wake_.notify_all();
    if (monitor_.joinable()) monitor_.join();
}

int DevPort::openFeatureDevice() {
    HidBackend* backend = backendSource_();
    if (backend == nullptr) return 0;
    const auto found = backend->enumerate(vendorId_, productId_);
    if (found.empty()) return 0;
    const HidDeviceInfo* pick = &found.front();
    for (const HidDeviceInfo& info : found)
        if (info.usagePage >= kVendorUsagePage) {
            pick = &info;
            break;
        }
    std::shared_ptr<HidDevice> opened = backend->open(pick->path);
    if (!opened) return 0;
    // Without a second handle the mouse still takes settings; its own status
    // reports are not read.
    std::shared_ptr<HidDevice> reading = backend->open(pick->path);
    const std::lock_guard guard(mutex_);
    device_ = std::move(opened);
    reader_ = std::move(reading);
    return 1;
}

int DevPort::setFeature(const std::uint8_t* report, int length) {
    const auto dev = device();
    if (!dev || report == nullptr || length <= 0) return 0;
    const int sent = dev->sendFeatureReport({report, static_cast<std::size_t>(length)});
    return sent > 0 ? sent : 0;
}

void DevPort::closeFeatureDevice() {
    std::shared_ptr<HidDevice> closing;
    std::shared_ptr<HidDevice> closingReader;
    {
        const std::lock_guard guard(mutex_);
        closing = std::move(device_);
        closingReader = std::move(reader_);
    }
    // The handle closes when the last user (a send or a read in flight) lets go.
}

std::shared_ptr<HidDevice> DevPort::device() {
    const std::lock_guard guard(mutex_);
    return device_;
}

std::shared_ptr<HidDevice> DevPort::reader() {
    const std::lock_guard guard(mutex_);
    return reader_;
}

bool DevPort::present() {
    HidBackend* backend = backendSource_();
    return backend != nullptr && !backend->enumerate(vendorId_, productId_).empty();
}

void DevPort::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    VelorPoster window;
    {
        const std::lock_guard guard(mutex_);
        window = window_;
    }
    if (window.post != nullptr) window.post(window.context, message, wParam, lParam);
}

void DevPort::monitor() {
    using Clock = std::chrono::steady_clock;
    bool wasPresent = present();
    auto nextCheck = Clock::now() + pollInterval_;
    std::uint32_t messageA = 0;
    std::uint32_t messageB = 0;
    {
        const std::lock_guard guard(mutex_);
        messageA = messageA_;
        messageB = messageB_;
    }
    for (;;) {
        {
            const std::lock_guard guard(mutex_);
            if (stop_) return;
        }
        bool idle = true;
        if (const auto dev = reader()) {
            std::array<std::uint8_t, 64> buffer{};
            const int n = dev->readTimeout(buffer, kReadWaitMs);
            idle = n < 0;
            const auto word = static_cast<std::uintptr_t>(buffer[2] << 8 | buffer[1]);
            // A word equal to the presence message would read as the mouse
            // coming or going; no mouse sends it as a status.
            if (n >= static_cast<int>(kStatusReportLength) && buffer[0] == kStatusReportId &&
                word != VELOR_DEVPORT_PRESENCE)
                post(messageA, word, buffer[3] | buffer[4] << 8);
        }
        if (idle) {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, pollInterval_, [this] { return stop_; });
        }
        if (Clock::now() < nextCheck) continue;
        nextCheck = Clock::now() + pollInterval_;
        const bool isPresent = present();
        if (isPresent && !wasPresent) post(messageA, VELOR_DEVPORT_PRESENCE, VELOR_DEVPORT_ARRIVAL);
        if (!isPresent && wasPresent) post(messageB, 0, 0);
        wasPresent = isPresent;
    }
}

}  // namespace velor
