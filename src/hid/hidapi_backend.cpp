#include "hid/hidapi_backend.h"

#include <fcntl.h>
#include <hidapi.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "hid/udev_change_watch.h"

namespace velor {

namespace {

// One lock for every hidapi call that touches its global state.
std::mutex& hidapiLock() {
    static std::mutex lock;
    return lock;
}

// Reports go out through hidapi. Reports come in on a descriptor of our own
// on the same hidraw node, waited on together with a wake-up descriptor, so a
// reader sleeps until a report comes or it is told to stop: hidapi's own read
// cannot be woken.
class HidapiDevice final : public HidDevice {
  public:
    HidapiDevice(hid_device* handle, std::string path)
        : handle_(handle),
          path_(std::move(path)),
          cancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~HidapiDevice() override {
        if (input_ >= 0) ::close(input_);
        if (cancel_ >= 0) ::close(cancel_);
        const std::lock_guard guard(hidapiLock());
        hid_close(handle_);
    }

    int sendFeatureReport(std::span<const std::uint8_t> report) override {
        return hid_send_feature_report(handle_, report.data(), report.size());
    }
    int write(std::span<const std::uint8_t> report) override {
        return hid_write(handle_, report.data(), report.size());
    }
    // One reader thread per device: the descriptor is opened by its first read.
    int readTimeout(std::span<std::uint8_t> buffer, int timeoutMs) override {
        if (input_ < 0) input_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (input_ < 0 || cancel_ < 0) return -1;
        pollfd waits[2] = {{input_, POLLIN, 0}, {cancel_, POLLIN, 0}};
        int ready = 0;
        do {
            ready = ::poll(waits, 2, timeoutMs);
        } while (ready < 0 && errno == EINTR);
        if (ready < 0) return -1;
        if ((waits[1].revents & POLLIN) != 0) return 0;  // told to stop
        if ((waits[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return -1;
        if ((waits[0].revents & POLLIN) == 0) return 0;
        const ssize_t n = ::read(input_, buffer.data(), buffer.size());
        if (n < 0) return errno == EAGAIN ? 0 : -1;
        return static_cast<int>(n);
    }
    void cancelReads() override {
        const std::uint64_t one = 1;
        if (cancel_ >= 0) {
            [[maybe_unused]] const auto n = ::write(cancel_, &one, sizeof one);
        }
    }
    // Reads always say how long they wait.
    bool setNonBlocking(bool) override { return true; }

  private:
    hid_device* handle_;
    const std::string path_;
    int input_ = -1;
    const int cancel_;
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
        return std::make_unique<HidapiDevice>(handle, path);
    }

    bool accessible(const std::string& path) override {
        return ::access(path.c_str(), R_OK | W_OK) == 0;
    }

    std::unique_ptr<HidChangeWatch> watchChanges() override { return watchHidrawChanges(0x1D57); }
};

}  // namespace

std::unique_ptr<HidBackend> makeHidapiBackend() {
    const std::lock_guard guard(hidapiLock());
    if (hid_init() != 0) return nullptr;
    return std::make_unique<HidapiBackend>();
}

}  // namespace velor
