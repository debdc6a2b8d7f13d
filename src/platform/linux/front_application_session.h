// Which desktop session this is, as far as telling the front application goes.
#pragma once

#include <string>

namespace velor {

struct SessionEnvironment {
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string currentDesktop;  // XDG_CURRENT_DESKTOP, e.g. "ubuntu:GNOME"
    static SessionEnvironment ofThisProcess();
};

enum class FrontApplicationSource { kX11, kWayland, kNone };

// Where the front application can come from in this session. For kNone, why
// not in a sentence a user reads; for kWayland, the sentence for a compositor
// that turns out not to tell (only wlroots compositors do).
FrontApplicationSource frontApplicationSourceOf(const SessionEnvironment& session,
                                                std::string* whyNot);

}  // namespace velor
