// A bound on a step that waits for other threads (a close that joins a
// reader, a wait for a thread to get somewhere): when the step has not ended
// within the limit, the test fails at once, naming the step, instead of
// hanging until the test runner gives up on the whole program.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace velor::testing {

class HangGuard {
  public:
    explicit HangGuard(std::string step, std::chrono::seconds limit = std::chrono::seconds(10))
        : step_(std::move(step)), watch_([this, limit] {
              std::unique_lock lock(mutex_);
              if (ended_.wait_for(lock, limit, [this] { return over_; })) return;
              // The hung threads hold this test's objects; nothing after
              // this point could end cleanly.
              ADD_FAILURE() << step_ << " did not end within " << limit.count() << " s";
              std::fprintf(stderr, "%s hangs: the test program ends here\n", step_.c_str());
              std::fflush(nullptr);
              std::_Exit(1);
          }) {}
    ~HangGuard() {
        {
            const std::lock_guard guard(mutex_);
            over_ = true;
        }
        ended_.notify_all();
        watch_.join();
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

  private:
    std::string step_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool over_ = false;
    std::thread watch_;  // last: it uses the members above
};

}  // namespace velor::testing
