#include "platform/linux/front_application_session.h"

#include <cstdlib>

#include "platform/front_application.h"
#include "platform/linux/wlr_front_application.h"
#include "platform/linux/x11_front_application.h"

namespace velor {
namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// "ubuntu:GNOME" names the desktop last; the user knows it as GNOME.
std::string desktopName(const std::string& currentDesktop) {
    const auto colon = currentDesktop.rfind(':');
    return colon == std::string::npos ? currentDesktop : currentDesktop.substr(colon + 1);
}

}  // namespace

SessionEnvironment SessionEnvironment::ofThisProcess() {
    return {variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("XDG_SESSION_TYPE"),
            variable("XDG_CURRENT_DESKTOP")};
}

FrontApplicationSource frontApplicationSourceOf(const SessionEnvironment& session,
                                                std::string* whyNot) {
    // On a Wayland desktop DISPLAY leads to Xwayland, whose active window
    // covers only the older programs and says nothing of the others. A
    // compositor started from a text console leaves the session type "tty",
    // so a reachable compositor counts unless the session says X11.
    const bool compositor = !session.waylandDisplay.empty();
    if (!session.display.empty() && (!compositor || session.sessionType == "x11"))
        return FrontApplicationSource::kX11;
    const bool wayland = compositor || session.sessionType == "wayland";
    const auto source =
        compositor ? FrontApplicationSource::kWayland : FrontApplicationSource::kNone;
    if (whyNot) {
        const std::string desktop = desktopName(session.currentDesktop);
        if (wayland) {
            *whyNot = "This desktop (" + (desktop.empty() ? std::string() : desktop + " on ") +
                      "Wayland) does not tell this program which application is in front.";
        } else {
            *whyNot =
                "No desktop session is running, so the program cannot tell which "
                "application is in front.";
        }
    }
    return source;
}

std::unique_ptr<FrontApplicationWatch> watchFrontApplication(
    FrontApplicationWatch::OnChange onChange, std::string* whyNot) {
    std::string notTelling;
    switch (frontApplicationSourceOf(SessionEnvironment::ofThisProcess(), &notTelling)) {
        case FrontApplicationSource::kX11:
            return watchX11FrontApplication(std::move(onChange), whyNot);
        case FrontApplicationSource::kWayland:
            return watchWlrFrontApplication(std::move(onChange), notTelling, whyNot);
        case FrontApplicationSource::kNone:
            break;
    }
    if (whyNot) *whyNot = notTelling;
    return nullptr;
}

}  // namespace velor
