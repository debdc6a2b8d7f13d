// USB HID as the program uses it: enumerate interfaces by vendor and product,
// open one by path, send feature and output reports, read input reports. The
// hidapi backend talks to real devices; the simulator implements the same
// interface for tests and for machines without a mouse.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace velor {

struct HidDeviceInfo {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    int interfaceNumber = -1;
};

// One open interface. Calls on one device may come from two threads: one may
// sit in readTimeout while another sends. Closing is destruction.
class HidDevice {
  public:
    virtual ~HidDevice() = default;

    // Byte 0 is the report number. Returns the bytes sent, or -1.
    virtual int sendFeatureReport(std::span<const std::uint8_t> report) = 0;
    // An output report (byte 0 is the report number). Returns the bytes written, or -1.
    virtual int write(std::span<const std::uint8_t> report) = 0;
    // Waits up to timeoutMs for an input report (-1: forever, 0: do not wait).
    // Returns the bytes read, 0 when none came, -1 on error (e.g. unplugged).
    virtual int readTimeout(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
    // Ends a read that waits, and makes every later one return 0 at once: how
    // a reader that waits forever is told to stop (any thread).
    virtual void cancelReads() {}
    // Makes plain reads return at once; returns false on failure.
    virtual bool setNonBlocking(bool nonBlocking) = 0;
};

class HidChangeWatch {
  public:
    virtual ~HidChangeWatch() = default;
    // Sleeps until a device of our vendor came or went (true), or until stop() was
    // called (false, and false at once for every later call).
    virtual bool waitForChange() = 0;
    // Ends a wait that sleeps and every later one (any thread).
    virtual void stop() = 0;
};

class HidBackend {
  public:
    virtual ~HidBackend() = default;

    // Every interface of the devices with these ids.
    virtual std::vector<HidDeviceInfo> enumerate(std::uint16_t vendorId,
                                                 std::uint16_t productId) = 0;
    // nullptr when the path cannot be opened.
    virtual std::unique_ptr<HidDevice> open(const std::string& path) = 0;
    // False when the device is there but this user may not open it.
    virtual bool accessible(const std::string& /*path*/) { return true; }
    // A watch of its own for each caller; nullptr when the backend cannot
    // tell (the caller then looks again now and then).
    virtual std::unique_ptr<HidChangeWatch> watchChanges() { return nullptr; }
};

// The first interface of the device with these ids that shows usagePage,
// opened; nullptr when there is none or it cannot be opened.
inline std::unique_ptr<HidDevice> openInterface(HidBackend& backend, std::uint16_t vendorId,
                                                std::uint16_t productId, std::uint16_t usagePage) {
    for (const HidDeviceInfo& info : backend.enumerate(vendorId, productId))
        if (info.usagePage == usagePage) return backend.open(info.path);
    return nullptr;
}

}  // namespace velor
