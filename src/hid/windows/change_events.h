// The waiting both change sources share: a change event a notification sets
// and a stop event that, once set, ends every wait.
#pragma once

#ifdef _WIN32

#include <cstdint>
#include <string_view>

#include "hid/hid_backend.h"
#include "hid/windows/device_path.h"
#include "hid/windows/win_handle.h"

namespace velor {

class ChangeEvents : public HidChangeWatch {
  public:
    explicit ChangeEvents(std::uint16_t vendorId)
        : vendorId_(vendorId), changed_(makeEvent(false)), stopped_(makeEvent(true)) {}

    bool ready() const { return changed_.valid() && stopped_.valid(); }

    bool waitForChange() override {
        // Stop comes first: a change and a stop both waiting means stop.
        const HANDLE events[] = {stopped_.get(), changed_.get()};
        return WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
    }
    void stop() override { SetEvent(stopped_.get()); }

    // From the notification source's thread. A change nobody waits for yet
    // stays set, so the next wait returns at once.
    void notice(std::wstring_view interfacePath) {
        if (changeConcernsVendor(narrowText(interfacePath), vendorId_)) SetEvent(changed_.get());
    }

  private:
    const std::uint16_t vendorId_;
    UniqueHandle changed_;  // auto reset: one wait takes it
    UniqueHandle stopped_;  // manual reset
};

}  // namespace velor

#endif  // _WIN32
