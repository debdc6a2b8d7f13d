// Input reports from an hidraw node, read on a descriptor of our own beside
// hidapi's handle: a reader sleeps in poll until a report comes, the node
// hangs up (unplugged) or it is told to stop, which hidapi's read cannot do.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velor {

// What a read of the node means to its reader: the bytes, 0 when a report
// another reader took first left nothing (EAGAIN), -1 for any other error.
int hidrawReadResult(long bytesRead, int error);

class HidrawInput {
  public:
    explicit HidrawInput(std::string path);
    ~HidrawInput();
    HidrawInput(const HidrawInput&) = delete;
    HidrawInput& operator=(const HidrawInput&) = delete;

    // As HidDevice::readTimeout: the bytes read, 0 when none came in time or
    // reading was cancelled, -1 when the node cannot be read (gone, or never
    // opened). The node is opened by the first read: one reader per device.
    int readTimeout(std::span<std::uint8_t> buffer, int timeoutMs);
    // Ends a read that waits and makes every later one return 0 at once (any thread).
    void cancel();

  private:
    const std::string path_;
    int input_ = -1;
    const int cancel_;
};

}  // namespace velor
