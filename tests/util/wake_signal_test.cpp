#include "util/wake_signal.h"

#include <gtest/gtest.h>

#include <thread>

#include "../support/hang_guard.h"

namespace velor {
namespace {

using std::chrono::milliseconds;

// A signal given before the sleep is kept for it, however many were given,
// and taken by it: the next wait times out.
TEST(WakeSignal, ASignalBeforeTheWaitIsKeptOnceAndTaken) {
    const testing::HangGuard bound("a wait on a signal given before it");
    WakeSignal wake;
    EXPECT_FALSE(wake.waitFor(milliseconds(0)));
    wake.signal();
    wake.signal();
    wake.wait();
    EXPECT_FALSE(wake.waitFor(milliseconds(0)));
    wake.signal();
    EXPECT_TRUE(wake.waitFor(milliseconds(0)));
    EXPECT_FALSE(wake.waitFor(milliseconds(0)));
}

TEST(WakeSignal, ASignalFromAnotherThreadEndsAWaitWithoutEnd) {
    const testing::HangGuard bound("a wait woken from another thread");
    WakeSignal wake;
    std::thread waker([&] { wake.signal(); });
    wake.wait();
    waker.join();
}

}  // namespace
}  // namespace velor
