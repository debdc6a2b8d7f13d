// The front application as the desktop tells it: an X session with openbox
// (started by with_window_manager.sh), windows of the test's own with the
// properties it chooses, and xmessage as a program of another process.
#include "platform/front_application.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

#include "front_application_test_session.h"
#include "platform/front_application_changes.h"
#include "platform/linux/front_application_session.h"
#include "platform/linux/process_executable.h"

namespace velor {

namespace {

using test::ChildProgram;
using test::Recorder;
using test::TestSession;
using test::withoutNothingInFront;
namespace fs = std::filesystem;

constexpr const char* kThisProgram = "velor_front_app_tests";

std::string hostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

// A copy of a small program under a name of the test's choosing.
fs::path programCopy(const std::string& name) {
    const fs::path path = fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    fs::copy_file("/bin/sleep", path, fs::copy_options::overwrite_existing);
    return path;
}

class X11FrontApplication : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(session.connected()) << "needs the X session of with_window_manager.sh";
        watch = watchFrontApplication(recorder.callback(), &whyNot);
        ASSERT_NE(watch, nullptr) << whyNot;
        // xmessage declares no process number; only the server can tell whose it is.
        xmessage = {"Xmessage", session.serverKnowsProcesses() ? "xmessage" : ""};
    }
    xcb_window_t ownWindow(const std::string& wmClass) {
        return session.openWindow({wmClass, static_cast<std::uint32_t>(::getpid()), hostName()});
    }

    TestSession session;
    Recorder recorder;
    std::string whyNot;
    std::unique_ptr<FrontApplicationWatch> watch;
    FrontApplication xmessage;
    const FrontApplication alpha{"VelorAlpha", kThisProgram};
    const FrontApplication beta{"VelorBeta", kThisProgram};
    const FrontApplication gamma{"VelorGamma", kThisProgram};
};

TEST_F(X11FrontApplication, ReportsEachWindowBroughtToTheFrontInOrder) {
    const auto alphaWindow = ownWindow(std::string("alpha\0VelorAlpha\0", 17));
    const auto betaWindow = ownWindow(std::string("beta\0VelorBeta\0", 15));
    ChildProgram program({"/usr/bin/xmessage", "-name", "first", "front"});
    const auto xmessageWindow = session.listedWindowWithInstance("first");
    ASSERT_NE(xmessageWindow, 0u);
    ASSERT_TRUE(session.bringToFrontAndWait(alphaWindow));
    ASSERT_TRUE(recorder.waitForLast(alpha));
    recorder.takeAll();

    ASSERT_TRUE(session.bringToFrontAndWait(betaWindow));
    ASSERT_TRUE(recorder.waitForLast(beta));
    ASSERT_TRUE(session.bringToFrontAndWait(xmessageWindow));
    ASSERT_TRUE(recorder.waitForLast(xmessage));
    ASSERT_TRUE(session.bringToFrontAndWait(alphaWindow));
    ASSERT_TRUE(recorder.waitForLast(alpha));

    // openbox names no window for a moment between two; the order is what counts.
    EXPECT_EQ(withoutNothingInFront(recorder.takeAll()), (std::vector{beta, xmessage, alpha}));
    EXPECT_EQ(watch->current(), alpha);
    // A watch started now knows the front application before any change.
    EXPECT_EQ(watchFrontApplication(nullptr, &whyNot)->current(), alpha);
}

TEST_F(X11FrontApplication, ABurstOfChangesNeverReportsTheSameApplicationTwiceRunning) {
    const auto alphaWindow = ownWindow(std::string("alpha\0VelorAlpha\0", 17));
    const auto betaWindow = ownWindow(std::string("beta\0VelorBeta\0", 15));
    const auto gammaWindow = ownWindow(std::string("gamma\0VelorGamma\0", 17));
    ChildProgram first({"/usr/bin/xmessage", "-name", "first", "one"});
    ChildProgram second({"/usr/bin/xmessage", "-name", "second", "two"});
    const auto firstWindow = session.listedWindowWithInstance("first");
    const auto secondWindow = session.listedWindowWithInstance("second");
    ASSERT_NE(firstWindow, 0u);
    ASSERT_NE(secondWindow, 0u);
    ASSERT_TRUE(session.bringToFrontAndWait(alphaWindow));
    ASSERT_TRUE(recorder.waitForLast(alpha));
    recorder.takeAll();

    // Alt+Tab through several windows, two of them xmessage's, one twice.
    for (auto window : {betaWindow, alphaWindow, firstWindow, secondWindow, betaWindow, betaWindow})
        session.bringToFront(window);
    ASSERT_TRUE(session.bringToFrontAndWait(gammaWindow));
    const bool reached = recorder.waitForLast(gamma);
    auto burst = recorder.takeAll();
    ASSERT_TRUE(reached) << ::testing::PrintToString(burst);
    burst.insert(burst.begin(), alpha);
    EXPECT_EQ(std::adjacent_find(burst.begin(), burst.end()), burst.end());
    for (const auto& application : burst) {
        EXPECT_TRUE(application == FrontApplication{} || application == alpha ||
                    application == beta || application == gamma || application == xmessage)
            << application.windowClass << " " << application.executable;
    }
}

TEST_F(X11FrontApplication, ListsEachRunningApplicationOnceWithItsExecutable) {
    const bool serverKnows = session.serverKnowsProcesses();
    const fs::path sleeperPath = programCopy("velor-declared");
    ChildProgram sleeper({sleeperPath.string(), "60"});
    const auto sleeperPid = static_cast<std::uint32_t>(sleeper.pid());
    const std::string sleeperName = sleeperPath.filename().string();
    ChildProgram first({"/usr/bin/xmessage", "-name", "first", "one"});
    ChildProgram second({"/usr/bin/xmessage", "-name", "second", "two"});
    ASSERT_NE(session.listedWindowWithInstance("first"), 0u);
    ASSERT_NE(session.listedWindowWithInstance("second"), 0u);

    struct Case {
        test::WindowProperties window;
        FrontApplication withServerPids;
        FrontApplication withDeclaredPidsOnly;
    };
    const std::uint32_t self = static_cast<std::uint32_t>(::getpid());
    const Case cases[] = {
        {{std::string("a\0ListedPlain\0", 14), self, hostName()},
         {"ListedPlain", kThisProgram},
         {"ListedPlain", kThisProgram}},
        // A second window of the same application adds nothing.
        {{std::string("b\0ListedPlain\0", 14), self, hostName()},
         {"ListedPlain", kThisProgram},
         {"ListedPlain", kThisProgram}},
        // No process number declared: the class alone, unless the server knows.
        {{std::string("c\0ListedUndeclared\0", 19), {}, {}},
         {"ListedUndeclared", kThisProgram},
         {"ListedUndeclared", ""}},
        // A declared number that is not the window's maker (a sandboxed
        // program's own numbering): the server's word wins.
        {{std::string("d\0ListedDeclared\0", 17), sleeperPid, hostName()},
         {"ListedDeclared", kThisProgram},
         {"ListedDeclared", sleeperName}},
        // A program on another machine: its number means nothing here.
        {{std::string("e\0ListedRemote\0", 15), sleeperPid, "elsewhere.example"},
         {"ListedRemote", kThisProgram},
         {"ListedRemote", ""}},
    };
    std::vector<FrontApplication> expected = {xmessage};
    for (const Case& each : cases) {
        session.openWindow(each.window);
        const auto& application = serverKnows ? each.withServerPids : each.withDeclaredPidsOnly;
        if (std::find(expected.begin(), expected.end(), application) == expected.end())
            expected.push_back(application);
    }

    EXPECT_EQ(watch->runningApplications(), expected);
    fs::remove(sleeperPath);
}

TEST_F(X11FrontApplication, StopsPromptlyWhenNothingHappens) {
    EXPECT_TRUE(test::destroyedPromptly(std::move(watch)));
}

TEST(FrontApplicationChanges, PassesOnOnlyWhatDiffersFromTheLastOneTold) {
    const FrontApplication xmessage{"Xmessage", "xmessage"};
    const FrontApplication otherXmessage{"Xmessage", "xmessage-copy"};
    const FrontApplication alpha{"VelorAlpha", kThisProgram};
    std::vector<FrontApplication> told;
    FrontApplicationChanges changes(
        xmessage, [&](const FrontApplication& application) { told.push_back(application); });

    for (const auto& application : {xmessage, otherXmessage, otherXmessage, FrontApplication{},
                                    FrontApplication{}, alpha, xmessage})
        changes.report(application);

    EXPECT_EQ(told, (std::vector{otherXmessage, FrontApplication{}, alpha, xmessage}));
    EXPECT_EQ(changes.current(), xmessage);
}

TEST(FrontApplicationSession, ChoosesWhereTheFrontApplicationComesFrom) {
    const std::string notTold = " does not tell this program which application is in front.";
    struct Case {
        SessionEnvironment session;
        FrontApplicationSource source;
        std::string whyNot;
    };
    const Case cases[] = {
        {{":0", "", "x11", "XFCE"}, FrontApplicationSource::kX11, ""},
        {{":0", "", "", ""}, FrontApplicationSource::kX11, ""},
        // Started under an X server of its own from a Wayland desktop's terminal.
        {{":99", "", "wayland", "GNOME"}, FrontApplicationSource::kX11, ""},
        {{":0", "wayland-0", "x11", ""}, FrontApplicationSource::kX11, ""},
        // Xwayland's active window covers only older programs; the compositor
        // may tell, and if not, the sentence names the desktop.
        {{":0", "wayland-0", "wayland", "ubuntu:GNOME"},
         FrontApplicationSource::kWayland,
         "This desktop (GNOME on Wayland)" + notTold},
        {{"", "wayland-0", "wayland", "KDE"},
         FrontApplicationSource::kWayland,
         "This desktop (KDE on Wayland)" + notTold},
        {{"", "wayland-1", "wayland", ""},
         FrontApplicationSource::kWayland,
         "This desktop (Wayland)" + notTold},
        // sway started from a text console: Xwayland's DISPLAY is no X11 desktop.
        {{":0", "wayland-1", "tty", "sway"},
         FrontApplicationSource::kWayland,
         "This desktop (sway on Wayland)" + notTold},
        {{"", "", "wayland", "GNOME"},
         FrontApplicationSource::kNone,
         "This desktop (GNOME on Wayland)" + notTold},
        {{"", "", "tty", ""},
         FrontApplicationSource::kNone,
         "No desktop session is running, so the program cannot tell which application is in "
         "front."},
    };
    for (const Case& each : cases) {
        std::string whyNot;
        EXPECT_EQ(frontApplicationSourceOf(each.session, &whyNot), each.source)
            << each.session.display << " " << each.session.sessionType;
        EXPECT_EQ(whyNot, each.whyNot);
    }
}

TEST(ProcessExecutable, NamesTheProgramFileOfALocalProcess) {
    // Longer than the 15 characters of the process's short name.
    const fs::path longName = programCopy("velor-long-program-name");
    ChildProgram running({longName.string(), "60"});
    EXPECT_EQ(executableNameOfProcess(running.pid()), longName.filename().string());

    // Replaced by an upgrade while it runs.
    const fs::path replaced = programCopy("velor-replaced");
    ChildProgram stale({replaced.string(), "60"});
    fs::remove(replaced);
    EXPECT_EQ(executableNameOfProcess(stale.pid()), replaced.filename().string());
    fs::remove(longName);

    // Ended but not yet reaped: no executable any more, only its short name.
    const pid_t zombie = ::fork();
    if (zombie == 0) {
        ::prctl(PR_SET_NAME, "velor-zombie");
        ::_exit(0);
    }
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, zombie, &info, WEXITED | WNOWAIT), 0);
    EXPECT_EQ(executableNameOfProcess(zombie), "velor-zombie");
    ::waitpid(zombie, nullptr, 0);
    EXPECT_EQ(executableNameOfProcess(zombie), "");
    EXPECT_EQ(executableNameOfProcess(0), "");
}

}  // namespace
}  // namespace velor
