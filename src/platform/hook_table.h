// The keyboard and mouse hook entry points that macro recording and shortcut
// capture call, in their fixed order. An entry is empty when its provider
// lacks it, and every caller then skips the call.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/message_poster.h"

namespace velor {

// Posted to the window given to installhook.
// Keyboard: wParam = virtual-key code, lParam = 0 press, other release.
// Mouse: wParam = mouse message number, lParam = extra button 1 or 2.
inline constexpr std::uint32_t kHookEventMessage = 1034;

namespace mouse_message {
inline constexpr std::uint32_t kLeftDown = 0x201;
inline constexpr std::uint32_t kLeftUp = 0x202;
inline constexpr std::uint32_t kRightDown = 0x204;
inline constexpr std::uint32_t kRightUp = 0x205;
inline constexpr std::uint32_t kMiddleDown = 0x207;
inline constexpr std::uint32_t kMiddleUp = 0x208;
inline constexpr std::uint32_t kExtraDown = 0x20B;
inline constexpr std::uint32_t kExtraUp = 0x20C;
}  // namespace mouse_message

struct HookTable {
    std::function<void(MessagePoster*)> installmousehook;  // looked up, never called
    std::function<void()> removemousehook;
    std::function<void(int)> enablemousehook;
    std::function<void(MessagePoster*)> installhook;
    std::function<void()> removehook;
    std::function<void(int)> enablehook;
    std::function<void(int)> mousewheelenable;

    // The calls the program makes; each skips a missing entry.
    void installHook(MessagePoster* window) const {
        if (installhook) installhook(window);
    }
    void removeHook() const {
        if (removehook) removehook();
    }
    void enableHook(bool on) const {
        if (enablehook) enablehook(on ? 1 : 0);
    }
    void removeMouseHook() const {
        if (removemousehook) removemousehook();
    }
    void enableMouseHook(bool on) const {
        if (enablemousehook) enablemousehook(on ? 1 : 0);
    }
    void mouseWheelEnable(bool on) const {
        if (mousewheelenable) mousewheelenable(on ? 1 : 0);
    }
};

}  // namespace velor
