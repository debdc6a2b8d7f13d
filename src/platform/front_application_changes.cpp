#include "platform/front_application_changes.h"

namespace velor {

void FrontApplicationChanges::report(const FrontApplication& application) {
    {
        std::lock_guard lock(mutex_);
        if (application == current_) return;
        current_ = application;
    }
    if (onChange_) onChange_(application);
}

FrontApplication FrontApplicationChanges::current() const {
    std::lock_guard lock(mutex_);
    return current_;
}

}  // namespace velor
