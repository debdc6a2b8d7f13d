#include "platform/front_application.h"

namespace velor {

// Windows tells a hook of the foreground window (SetWinEventHook with
// EVENT_SYSTEM_FOREGROUND); until that watch is written, rules are applied by
// velorctl profile use alone.
std::unique_ptr<FrontApplicationWatch> watchFrontApplication(FrontApplicationWatch::OnChange,
                                                             std::string* whyNot) {
    if (whyNot) *whyNot = "This program does not yet follow the application in front on Windows.";
    return nullptr;
}

}  // namespace velor
