// Keeps the program's keyboard layout the X session's: read from the X server
// at start, and again whenever XKB says the keyboard, its map or the layout
// in use changed (switching between two layouts, say).
#pragma once

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <functional>

#include "keys/switchable_keyboard_layout.h"

namespace velor {

class KeyboardFollower final : public QAbstractNativeEventFilter {
  public:
    KeyboardFollower(SwitchableKeyboardLayout& layout, std::function<void()> changed)
        : layout_(layout), changed_(std::move(changed)) {}
    ~KeyboardFollower() override;

    // False outside an X11 session: the layout stays what it was.
    bool start();
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

  private:
    void reload();

    SwitchableKeyboardLayout& layout_;
    std::function<void()> changed_;
    void* connection_ = nullptr;  // xcb_connection_t
    std::uint8_t xkbEventBase_ = 0;
    bool installed_ = false;
};

}  // namespace velor
