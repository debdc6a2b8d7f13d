#include "hid/hidapi_backend.h"

#include <hidapi.h>

#include <mutex>

namespace velor {

namespace {

// One lock for every hidapi call that touches its global state.
std::mutex& hidapiLock() {
    static std::mutex lock;
    return lock;
}

class HidapiDevice final : public HidDevice {
  public:
    explicit HidapiDevice(hid_device* handle) : handle_(handle) {}
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
        return hid_read_timeout(handle_, buffer.data(), buffer.size(), timeoutMs);
    }
    bool setNonBlocking(bool nonBlocking) override {
        return hid_set_nonblocking(handle_, nonBlocking ? 1 : 0) == 0;
    }

  private:
    hid_device* handle_;
};

// hid_exit is never called: a feature-device library in the same process may
// still be using hidapi, and the process end frees it anyway.
class HidapiBackend final : public HidBackend {
  public:
    std::vector<HidDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override {
        const std::lock_guard guard(hidapiLock());
        std::vector<HidDeviceInfo> found;
        hid_device_info* list = hid_enumerate(vendorId, productId);
        for (const hid_device_info* d = list; d != nullptr; d = d->next) {
            found.push_back({d->path ? d->path : "", d->vendor_id, d->product_id, d->usage_page,
                             d->usage, d->interface_number});
        }
        hid_free_enumeration(list);
        return found;
    }

    std::unique_ptr<HidDevice> open(const std::string& path) override {
        const std::lock_guard guard(hidapiLock());
        hid_device* handle = hid_open_path(path.c_str());
        if (handle == nullptr) return nullptr;
        return std::make_unique<HidapiDevice>(handle);
    }
};

}  // namespace

std::unique_ptr<HidBackend> makeHidapiBackend() {
    const std::lock_guard guard(hidapiLock());
    if (hid_init() != 0) return nullptr;
    return std::make_unique<HidapiBackend>();
}

}  // namespace velor
