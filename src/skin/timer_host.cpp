#include "skin/timer_host.h"

namespace velor {

void TimerHost::setTimer(int id, int milliseconds) {
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        connect(timer.get(), &QTimer::timeout, this, [this, id] {
            if (handler_) handler_(id);
        });
    }
    timer->start(milliseconds);
}

void TimerHost::killTimer(int id) {
    if (const auto it = timers_.find(id); it != timers_.end()) it->second->stop();
}

bool TimerHost::isActive(int id) const {
    const auto it = timers_.find(id);
    return it != timers_.end() && it->second->isActive();
}

int TimerHost::interval(int id) const {
    return isActive(id) ? timers_.at(id)->interval() : 0;
}

}  // namespace velor
