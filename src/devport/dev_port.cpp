#include "devport/dev_port.h"
#include "platform/thread_name.h"

#include <array>
#include <utility>

namespace velor {

namespace {

constexpr std::uint8_t kStatusReportId = 3;
constexpr std::size_t kStatusReportLength = 5;
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
    renewReader();
    {
        const std::lock_guard guard(mutex_);
        window_ = window != nullptr ? *window : VelorPoster{nullptr, nullptr};
        messageA_ = messageA;
        messageB_ = messageB;
        stop_ = false;
    }
    // The watch and the presence it starts from are taken here, before the
    // thread runs: a mouse pulled out while the thread is still starting is
    // then a change it sees, not where it starts from.
    HidBackend* backend = backendSource_();
    std::shared_ptr<HidChangeWatch> watch = backend ? backend->watchChanges() : nullptr;
    const bool wasPresent = present();
    presence_ = std::thread([this, watch = std::move(watch), wasPresent] {
        nameThisThread("devport-watch");
        watchPresence(watch.get(), wasPresent);
    });
    reading_ = std::thread([this] {
        nameThisThread("devport-read");
        readStatus();
    });
}

void DevPort::closeMonitor() {
    {
        const std::lock_guard guard(mutex_);
        stop_ = true;
        // Nothing is posted once the program has closed the monitor.
        window_ = {nullptr, nullptr};
        if (watch_ != nullptr) watch_->stop();
    }
    wake_.notify_all();
    presenceWake_.signal();
    if (const auto r = reader()) r->cancelReads();
    if (presence_.joinable()) presence_.join();
    if (reading_.joinable()) reading_.join();
}

// Closing the monitor cancels the reading handle, and a cancelled handle ends
// every later read at once: a device that stays open is read on a fresh one,
// or a monitor opened after the device would spin and never read a report.
void DevPort::renewReader() {
    std::string path;
    {
        const std::lock_guard guard(mutex_);
        if (!device_) return;
        path = path_;
    }
    HidBackend* backend = backendSource_();
    std::shared_ptr<HidDevice> fresh = backend ? backend->open(path) : nullptr;
    const std::lock_guard guard(mutex_);
    if (device_) reader_ = std::move(fresh);
}

bool DevPort::stopping() {
    const std::lock_guard guard(mutex_);
    return stop_;
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
    std::shared_ptr<HidDevice> previous;
    {
        const std::lock_guard guard(mutex_);
        device_ = std::move(opened);
        previous = std::exchange(reader_, std::move(reading));
        path_ = pick->path;
    }
    if (previous) previous->cancelReads();
    wake_.notify_all();
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
    if (closingReader) closingReader->cancelReads();
    wake_.notify_all();
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

// Sleeps until the backend says a device came or went (or, when it cannot
// say, for a poll interval), then tells the program what changed.
void DevPort::watchPresence(HidChangeWatch* watch, bool wasPresent) {
    std::uint32_t messageA = 0;
    std::uint32_t messageB = 0;
    {
        const std::lock_guard guard(mutex_);
        // A close that came first has nothing to stop: leave before sleeping.
        if (stop_) return;
        watch_ = watch;
        messageA = messageA_;
        messageB = messageB_;
    }
    for (;;) {
        if (watch) {
            if (!watch->waitForChange()) break;
        } else {
            presenceWake_.waitFor(pollInterval_);
        }
        if (stopping()) break;
        const bool isPresent = present();
        if (isPresent && !wasPresent) post(messageA, VELOR_DEVPORT_PRESENCE, VELOR_DEVPORT_ARRIVAL);
        if (!isPresent && wasPresent) post(messageB, 0, 0);
        wasPresent = isPresent;
    }
    // The watch goes with this thread; a close must no longer reach it.
    const std::lock_guard guard(mutex_);
    watch_ = nullptr;
}

// Sleeps in the read until the mouse reports; a new or closed device, or the
// end, wakes it.
void DevPort::readStatus() {
    std::uint32_t messageA = 0;
    {
        const std::lock_guard guard(mutex_);
        messageA = messageA_;
    }
    for (;;) {
        std::shared_ptr<HidDevice> dev;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || reader_ != nullptr; });
            if (stop_) return;
            dev = reader_;
        }
        std::array<std::uint8_t, 64> buffer{};
        const int n = dev->readTimeout(buffer, -1);
        if (n < 0) {
            // The mouse is gone; wait for the device to be replaced or closed.
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || reader_ != dev; });
            continue;
        }
        const auto word = static_cast<std::uintptr_t>(buffer[2] << 8 | buffer[1]);
        // A word equal to the presence message would read as the mouse
        // coming or going; no mouse sends it as a status.
        if (n >= static_cast<int>(kStatusReportLength) && buffer[0] == kStatusReportId &&
            word != VELOR_DEVPORT_PRESENCE)
            post(messageA, word, buffer[3] | buffer[4] << 8);
    }
}

}  // namespace velor
