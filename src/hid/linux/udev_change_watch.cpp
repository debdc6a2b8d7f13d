#include "hid/linux/udev_change_watch.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

namespace velor {

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

const char* hidIdOf(udev_device* hidraw) {
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    return hid != nullptr ? udev_device_get_property_value(hid, "HID_ID") : nullptr;
}

// Sleeps in poll on the monitor's socket and on an eventfd of its own that
// stop() makes readable for good.
class UdevChangeWatch final : public HidChangeWatch {
  public:
    UdevChangeWatch(UdevPtr<udev> u, UdevPtr<udev_monitor> m, int stopFd, std::uint16_t vendorId)
        : udev_(std::move(u)), monitor_(std::move(m)), stopFd_(stopFd), vendorId_(vendorId) {}
    ~UdevChangeWatch() override { ::close(stopFd_); }

    bool waitForChange() override {
        for (;;) {
            pollfd waits[2] = {{stopFd_, POLLIN, 0},
                               {udev_monitor_get_fd(monitor_.get()), POLLIN, 0}};
            if (::poll(waits, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (waits[0].revents != 0) return false;
            if (takeChanges()) return true;
        }
    }
    void stop() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(stopFd_, &one, sizeof one);
    }

  private:
    // The socket is non-blocking: this takes what waits and returns.
    bool takeChanges() {
        bool ours = false;
        while (UdevPtr<udev_device> d{udev_monitor_receive_device(monitor_.get())}) {
            const char* action = udev_device_get_action(d.get());
            if (action != nullptr && hidrawChangeConcerns(action, hidIdOf(d.get()), vendorId_))
                ours = true;
        }
        return ours;
    }

    UdevPtr<udev> udev_;
    UdevPtr<udev_monitor> monitor_;
    int stopFd_;
    std::uint16_t vendorId_;
};

}  // namespace

// HID_ID of the hid parent: "0003:00001D57:0000FA60" (bus, vendor, product).
bool hidrawChangeConcerns(std::string_view action, const char* hidId, std::uint16_t vendorId) {
    if (action != "add" && action != "remove") return false;
    unsigned bus = 0;
    unsigned vendor = 0;
    unsigned product = 0;
    // A device already gone may have no parent left to ask: count it.
    if (hidId == nullptr || std::sscanf(hidId, "%x:%x:%x", &bus, &vendor, &product) != 3)
        return true;
    return vendor == vendorId;
}

std::unique_ptr<HidChangeWatch> watchHidrawChanges(std::uint16_t vendorId) {
    UdevPtr<udev> u{udev_new()};
    if (!u) return nullptr;
    UdevPtr<udev_monitor> m{udev_monitor_new_from_netlink(u.get(), "udev")};
    if (!m || udev_monitor_filter_add_match_subsystem_devtype(m.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m.get()) < 0)
        return nullptr;
    const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0) return nullptr;
    return std::make_unique<UdevChangeWatch>(std::move(u), std::move(m), stopFd, vendorId);
}

std::function<bool()> hidrawEventsSince() {
    std::shared_ptr<udev> u{udev_new(), UdevDeleter{}};
    if (!u) return {};
    std::shared_ptr<udev_monitor> m{udev_monitor_new_from_netlink(u.get(), "udev"), UdevDeleter{}};
    if (!m || udev_monitor_filter_add_match_subsystem_devtype(m.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m.get()) < 0)
        return {};
    return [u, m] {
        // Events waiting, or an error such as an overflowed socket (events
        // lost): either way the devices may have changed.
        pollfd waiting{udev_monitor_get_fd(m.get()), POLLIN, 0};
        if (::poll(&waiting, 1, 0) == 0) return false;
        while (UdevPtr<udev_device> d{udev_monitor_receive_device(m.get())}) {
        }
        return true;
    };
}

std::string usbDeviceOfHidraw(const std::string& devnode) {
    const auto slash = devnode.rfind('/');
    if (slash == std::string::npos) return {};
    UdevPtr<udev> u{udev_new()};
    if (!u) return {};
    const UdevPtr<udev_device> node{
        udev_device_new_from_subsystem_sysname(u.get(), "hidraw", devnode.c_str() + slash + 1)};
    if (!node) return {};
    udev_device* usb =
        udev_device_get_parent_with_subsystem_devtype(node.get(), "usb", "usb_device");
    const char* path = usb != nullptr ? udev_device_get_syspath(usb) : nullptr;
    return path != nullptr ? path : std::string();
}

}  // namespace velor
