// The front application of a wlroots Wayland session (sway and others),
// from the compositor's foreign-toplevel protocol.
#pragma once

#include <memory>
#include <string>

#include "platform/front_application.h"

namespace velor {

// nullptr, with why in a sentence a user reads, when the compositor cannot be
// reached or does not offer the protocol (then naming the desktop).
std::unique_ptr<FrontApplicationWatch> watchWlrFrontApplication(
    FrontApplicationWatch::OnChange onChange, const std::string& desktopNotTelling,
    std::string* whyNot);

}  // namespace velor
