// The "window" a device link hands to the slot's library: what the library
// posts reaches the main window until the link disconnects it, after which
// it is dropped instead of reaching a page that is going away.
#pragma once

#include <mutex>

#include "device/device_link.h"
#include "device/devport_api.h"

namespace velor {

class DeviceLink::PosterBridge {
  public:
    explicit PosterBridge(MessagePoster& target) : target_(&target) {}
    const VelorPoster* window() const { return &window_; }
    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        deliver(this, message, wParam, lParam);
    }
    void disconnect() {
        const std::lock_guard guard(mutex_);
        target_ = nullptr;
    }

  private:
    static void deliver(void* context, std::uint32_t message, std::uintptr_t wParam,
                        std::intptr_t lParam) {
        auto* self = static_cast<PosterBridge*>(context);
        const std::lock_guard guard(self->mutex_);
        if (self->target_ != nullptr) self->target_->post(message, wParam, lParam);
    }

    std::mutex mutex_;
    MessagePoster* target_;
    const VelorPoster window_{&PosterBridge::deliver, this};
};

}  // namespace velor
