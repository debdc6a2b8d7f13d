// Profiles that follow the application in front: the watch's thread says
// what came to the front, the window lets it settle, then each slot's rules
// decide (never while a dialog of ours is open, a macro recording included).
#include <QApplication>

#include "ui/main_window.h"

namespace velor {

void CMainWnd::startFollowingFront() {
    messages_.on(kFrontChangedMessage,
                 [this](auto, auto) { timers_.setTimer(kFrontSettleTimer, kFrontSettleMs); });
    if (!services_.watchFront) {
        frontWhyNot_ = "No watch of the application in front was started.";
        return;
    }
    frontWatch_ = services_.watchFront(
        [this](const FrontApplication& app) {
            {
                const std::lock_guard guard(frontLock_);
                front_ = app;
            }
            messages_.post(kFrontChangedMessage, 0, 0);
        },
        &frontWhyNot_);
    if (!frontWatch_) {
        services_.debug("profiles do not follow the application in front: " + frontWhyNot_);
        return;
    }
    const FrontApplication now = frontWatch_->current();
    {
        const std::lock_guard guard(frontLock_);
        front_ = now;
    }
    // The application in front at start is judged as a later one would be.
    timers_.setTimer(kFrontSettleTimer, kFrontSettleMs);
}

void CMainWnd::onFrontSettled() {
    timers_.killTimer(kFrontSettleTimer);
    if (QApplication::activeModalWidget() != nullptr) return;
    FrontApplication app;
    {
        const std::lock_guard guard(frontLock_);
        app = front_;
    }
    // Nothing in front is a moment between two windows, not an application.
    if (app.windowClass.empty() && app.executable.empty()) return;
    services_.debug("in front: " + app.windowClass + " (" + app.executable + ")");
    bool switched = false;
    for (int n = 1; n <= kPageCount; ++n)
        switched = page(n).followFront(app.windowClass, app.executable) || switched;
    if (switched) updateTrayToolTip();
}

std::vector<FrontApplication> CMainWnd::runningApplications() const {
    return frontWatch_ ? frontWatch_->runningApplications() : std::vector<FrontApplication>{};
}

}  // namespace velor
