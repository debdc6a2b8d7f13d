// The front application as last told, passed on only when it changes: two
// windows of one application in a row, or one window named again, are no
// change. Every desktop's watch reports through one of these.
#pragma once

#include <mutex>

#include "platform/front_application.h"

namespace velor {

class FrontApplicationChanges {
  public:
    FrontApplicationChanges(FrontApplication initial, FrontApplicationWatch::OnChange onChange)
        : current_(std::move(initial)), onChange_(std::move(onChange)) {}

    // Runs onChange on the calling thread, outside the lock, when the
    // application differs from the last one.
    void report(const FrontApplication& application);
    FrontApplication current() const;

  private:
    mutable std::mutex mutex_;
    FrontApplication current_;
    FrontApplicationWatch::OnChange onChange_;
};

}  // namespace velor
