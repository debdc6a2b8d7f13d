// Which X events make the program read the session's keyboard layout again.
#include <xcb/xcb.h>
#define explicit xcb_explicit
#include <xcb/xkb.h>
#undef explicit

#include <gtest/gtest.h>

#include "app/linux/x11_keyboard_follower.h"

namespace velor {
namespace {

constexpr std::uint8_t kXkbBase = 85;  // as the server hands it out

TEST(KeyboardFollower, ANewKeyboardAMapOrAnotherGroupReloadsTheLayout) {
    xcb_xkb_new_keyboard_notify_event_t keyboard{};
    keyboard.response_type = kXkbBase;
    keyboard.xkbType = XCB_XKB_NEW_KEYBOARD_NOTIFY;
    EXPECT_TRUE(changesKeyboardLayout(&keyboard, kXkbBase));
    keyboard.response_type = kXkbBase | 0x80;  // sent by another client: still the server's word
    EXPECT_TRUE(changesKeyboardLayout(&keyboard, kXkbBase));
    keyboard.response_type = kXkbBase + 1;  // another extension's event
    EXPECT_FALSE(changesKeyboardLayout(&keyboard, kXkbBase));

    xcb_xkb_map_notify_event_t map{};
    map.response_type = kXkbBase;
    map.xkbType = XCB_XKB_MAP_NOTIFY;
    EXPECT_TRUE(changesKeyboardLayout(&map, kXkbBase));

    xcb_xkb_state_notify_event_t state{};
    state.response_type = kXkbBase;
    state.xkbType = XCB_XKB_STATE_NOTIFY;
    state.changed = XCB_XKB_STATE_PART_MODIFIER_STATE;  // Shift pressed: same layout
    EXPECT_FALSE(changesKeyboardLayout(&state, kXkbBase));
    state.changed = XCB_XKB_STATE_PART_GROUP_STATE;  // switched to the second layout
    EXPECT_TRUE(changesKeyboardLayout(&state, kXkbBase));
}

}  // namespace
}  // namespace velor
