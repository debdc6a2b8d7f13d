// Prints what the X server's keyboard layout makes of the A key: the
// character of virtual key A and the scan code it sits on ("a 0x10" on a
// French layout, "a 0x1e" on a US one); "none" without X.
#include <xcb/xcb.h>

#include <cstdio>

#include "platform/keyboard_layout.h"
#include "util/utf16.h"

int main() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const auto layout =
        xcb_connection_has_error(connection) ? nullptr : velor::x11KeyboardLayout(connection);
    if (!layout) {
        std::puts("none");
    } else {
        std::printf("%s 0x%02x\n", velor::utf16ToUtf8(layout->characterOfVirtualKey(0x41)).c_str(),
                    layout->scanCodeOfVirtualKey(0x41));
    }
    xcb_disconnect(connection);
    return 0;
}
