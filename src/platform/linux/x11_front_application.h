// The front application of an X session, followed through the window
// manager's _NET_ACTIVE_WINDOW on the root window.
#pragma once

#include <memory>
#include <string>

#include "platform/front_application.h"

namespace velor {

// nullptr, with why in a sentence a user reads, when the display cannot be reached.
std::unique_ptr<FrontApplicationWatch> watchX11FrontApplication(
    FrontApplicationWatch::OnChange onChange, std::string* whyNot);

}  // namespace velor
