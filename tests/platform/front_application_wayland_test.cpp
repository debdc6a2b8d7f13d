// The front application on a wlroots compositor: sway on its headless backend
// (started by with_sway.sh), foot terminals under app ids of the test's choosing,
// and sway's own command to bring one to the front.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <thread>

#include "front_application_test_session.h"
#include "platform/front_application.h"

namespace velor {
namespace {

using test::ChildProgram;
using test::Recorder;
using test::withoutNothingInFront;

// A terminal window whose app id names it.
std::unique_ptr<ChildProgram> terminalWith(const std::string& appId) {
    return std::make_unique<ChildProgram>(
        std::vector<std::string>{"/usr/bin/foot", "--app-id", appId, "/bin/sleep", "60"});
}

void bringToFront(const std::string& appId) {
    const std::string command = "swaymsg -q '[app_id=\"" + appId + "\"] focus'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class WlrFrontApplication : public ::testing::Test {
  protected:
    void SetUp() override {
        watch = watchFrontApplication(recorder.callback(), &whyNot);
        ASSERT_NE(watch, nullptr) << whyNot;
    }
    // Bounded: a window that never shows fails the test.
    bool waitUntilRunning(const std::vector<FrontApplication>& expected) {
        for (int check = 0; check < 2000; ++check) {
            if (watch->runningApplications() == expected) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    Recorder recorder;
    std::string whyNot;
    std::unique_ptr<FrontApplicationWatch> watch;
    const FrontApplication one{"velor-one", ""};
    const FrontApplication two{"velor-two", ""};
};

TEST_F(WlrFrontApplication, FollowsTheActivatedWindowAndItsClosing) {
    const auto first = terminalWith("velor-one");
    ASSERT_TRUE(waitUntilRunning({one}));
    auto second = terminalWith("velor-two");
    ASSERT_TRUE(waitUntilRunning({one, two}))
        << ::testing::PrintToString(watch->runningApplications());
    bringToFront("velor-one");
    ASSERT_TRUE(recorder.waitForLast(one));
    recorder.takeAll();

    bringToFront("velor-two");
    ASSERT_TRUE(recorder.waitForLast(two));
    bringToFront("velor-one");
    ASSERT_TRUE(recorder.waitForLast(one));
    bringToFront("velor-two");
    ASSERT_TRUE(recorder.waitForLast(two));
    EXPECT_EQ(withoutNothingInFront(recorder.takeAll()), (std::vector{two, one, two}));
    EXPECT_EQ(watch->current(), two);
    // A watch started now knows the front application before any change.
    EXPECT_EQ(watchFrontApplication(nullptr, &whyNot)->current(), two);

    // The window in front closes: the compositor gives the front to the other.
    second.reset();
    ASSERT_TRUE(recorder.waitForLast(one));
    EXPECT_TRUE(waitUntilRunning({one}));
}

TEST_F(WlrFrontApplication, StopsPromptlyWhenNothingHappens) {
    EXPECT_TRUE(test::destroyedPromptly(std::move(watch)));
}

}  // namespace
}  // namespace velor
