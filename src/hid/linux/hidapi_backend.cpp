#include "hid/linux/hidapi_backend.h"

#include <hidapi.h>
#include <unistd.h>

#include <mutex>

#include "hid/linux/hidraw_input.h"
#include "hid/linux/udev_change_watch.h"
#include "hid/scan_cache.h"

namespace velor {

namespace {

// One lock for every hidapi call that touches its global state.
std::mutex& hidapiLock() {
    static std::mutex lock;
    return lock;
}

// Reports go out through hidapi; they come in through HidrawInput on the
// same node, so a reader that waits can be woken.
class HidapiDevice final : public HidDevice {
  public:
    HidapiDevice(hid_device* handle, const std::string& path) : handle_(handle), input_(path) {}
    ~HidapiDevice() override {
        const std::lock_guard guard(hidapiLock());
        hid_close(handle_);
    }

    int sendFeatureReport(std::span<const std::uint8_t> report) override {
        return hid_send_feature_report(handle_, report.data(), report.size());
    }
    int write(std::span<const std::uint8_t> report) override {
        return hid_write(handle_, report.data(), report.size());
    }
    int readTimeout(std::span<std::uint8_t> buffer, int timeoutMs) override {
        return input_.readTimeout(buffer, timeoutMs);
    }
    void cancelReads() override { input_.cancel(); }
    // Reads always say how long they wait.
    bool setNonBlocking(bool) override { return true; }

  private:
    hid_device* handle_;
    HidrawInput input_;
};

// hid_exit is never called: a feature-device library in the same process may
// still be using hidapi, and the process end frees it anyway.
std::vector<HidDeviceInfo> scanVendor(std::uint16_t vendorId) {
    std::vector<HidDeviceInfo> found;
    hid_device_info* list = hid_enumerate(vendorId, 0);
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        found.push_back({d->path ? d->path : "", d->vendor_id, d->product_id, d->usage_page,
                         d->usage, d->interface_number});
    }
    hid_free_enumeration(list);
    return found;
}

// A change a caller's watch reports makes the next enumeration scan again:
// the caller then looks, and must not be given the devices from before.
class ForgettingWatch final : public HidChangeWatch {
  public:
    ForgettingWatch(std::unique_ptr<HidChangeWatch> watch, std::shared_ptr<ScanCache> scans)
        : watch_(std::move(watch)), scans_(std::move(scans)) {}
    bool waitForChange() override {
        if (!watch_->waitForChange()) return false;
        const std::lock_guard guard(hidapiLock());
        scans_->forget();
        return true;
    }
    void stop() override { watch_->stop(); }

  private:
    std::unique_ptr<HidChangeWatch> watch_;
    std::shared_ptr<ScanCache> scans_;
};

class HidapiBackend final : public HidBackend {
  public:
    std::vector<HidDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override {
        const std::lock_guard guard(hidapiLock());
        return scans_->enumerate(vendorId, productId);
    }

    std::unique_ptr<HidDevice> open(const std::string& path) override {
        const std::lock_guard guard(hidapiLock());
        hid_device* handle = hid_open_path(path.c_str());
        if (handle == nullptr) return nullptr;
        return std::make_unique<HidapiDevice>(handle, path);
    }

    bool accessible(const std::string& path) override {
        return ::access(path.c_str(), R_OK | W_OK) == 0;
    }

    std::unique_ptr<HidChangeWatch> watchChanges() override {
        auto watch = watchHidrawChanges(0x1D57);
        if (!watch) return nullptr;
        return std::make_unique<ForgettingWatch>(std::move(watch), scans_);
    }

  private:
    // Watching from before the first scan, so that no change is missed.
    std::shared_ptr<ScanCache> scans_ =
        std::make_shared<ScanCache>(scanVendor, hidrawEventsSince());
};

}  // namespace

std::unique_ptr<HidBackend> makeHidapiBackend() {
    const std::lock_guard guard(hidapiLock());
    if (hid_init() != 0) return nullptr;
    return std::make_unique<HidapiBackend>();
}

}  // namespace velor
