// Keeps the program's keyboard layout the X session's: read from the X server
// at start, and again whenever XKB says the keyboard, its map or the layout
// in use changed (switching between two layouts, say).
#pragma once

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <functional>

#include "app/keyboard_follower.h"

namespace velor {

// Whether an X event (an xcb_generic_event_t) says the layout may have
// changed: a new keyboard, a new keymap, or another group in use.
bool changesKeyboardLayout(const void* xcbEvent, std::uint8_t xkbEventBase);

class X11KeyboardFollower final : public KeyboardFollower, public QAbstractNativeEventFilter {
  public:
    X11KeyboardFollower(SwitchableKeyboardLayout& layout, std::function<void()> changed)
        : layout_(layout), changed_(std::move(changed)) {}
    ~X11KeyboardFollower() override;

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
