#include "app/linux/x11_keyboard_follower.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
// xcb's XKB header names a member "explicit", which C++ reserves.
#define explicit xcb_explicit
#include <xcb/xkb.h>
#undef explicit

#include "platform/keyboard_layout.h"

namespace velor {

X11KeyboardFollower::~X11KeyboardFollower() {
    if (installed_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11KeyboardFollower::start() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) return false;
    connection_ = x11->connection();
    auto* c = static_cast<xcb_connection_t*>(connection_);
    const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(c, &xcb_xkb_id);
    if (xkb == nullptr || !xkb->present) return false;
    xkbEventBase_ = xkb->first_event;
    layout_.replaceLater([c = connection_] { return x11KeyboardLayout(c); });
    // Qt asks the server for the keyboard's XKB events for its own keymap;
    // they pass through here on their way.
    QCoreApplication::instance()->installNativeEventFilter(this);
    installed_ = true;
    return true;
}

void X11KeyboardFollower::reload() {
    layout_.replaceLater([c = connection_] { return x11KeyboardLayout(c); });
    if (changed_) changed_();
}

bool changesKeyboardLayout(const void* xcbEvent, std::uint8_t xkbEventBase) {
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    if ((event->response_type & 0x7F) != xkbEventBase) return false;
    // Every XKB event starts with its own type after the common header.
    const auto* any = static_cast<const xcb_xkb_new_keyboard_notify_event_t*>(xcbEvent);
    switch (any->xkbType) {
        case XCB_XKB_NEW_KEYBOARD_NOTIFY:
        case XCB_XKB_MAP_NOTIFY:
            return true;
        case XCB_XKB_STATE_NOTIFY:
            return (static_cast<const xcb_xkb_state_notify_event_t*>(xcbEvent)->changed &
                    XCB_XKB_STATE_PART_GROUP_STATE) != 0;
        default:
            return false;
    }
}

bool X11KeyboardFollower::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type == "xcb_generic_event_t" && changesKeyboardLayout(message, xkbEventBase_)) reload();
    return false;  // Qt needs them too
}

std::unique_ptr<KeyboardFollower> followKeyboardLayout(SwitchableKeyboardLayout& layout,
                                                       std::function<void()> changed,
                                                       const DebugSink& debug) {
    auto follower = std::make_unique<X11KeyboardFollower>(layout, std::move(changed));
    if (follower->start()) return follower;
    debug("not an X11 session: key names keep the system layout");
    return nullptr;
}

}  // namespace velor
