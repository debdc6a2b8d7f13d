#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "../support/temp_folder.h"
#include "platform/app_folders.h"
#include "platform/command_pipe.h"
#include "platform/instance_lock.h"
#include "platform/instance_notify.h"
#include "platform/local_server.h"
#include "platform/store_lock.h"
#include "platform/termination_requests.h"
#include "util/virtual_clock.h"

namespace velor {
namespace {

namespace fs = std::filesystem;

// The data folder is made under the config home, else ~/.config; where it
// cannot be made it is named with the reason, and nothing goes beside the
// program.
TEST(AppFolders, ConfigHomeThenHomeAndNeverTheProgramFolder) {
    testing::TempFolder temp;
    const std::string t = temp.folder();
    const std::string program = t + "program/";
    std::ofstream(temp.path() / "file") << "x";
    const struct {
        std::string configHome, home, folder, error;
    } cases[] = {
        {t + "config", "/nonexistent", t + "config/VELOR Gaming Driver/", ""},
        {"relative/ignored", t + "home", t + "home/.config/VELOR Gaming Driver/", ""},
        {t + "file/config", "", t + "file/config/VELOR Gaming Driver/",
         "the data folder for the profiles and macros, " + t +
             "file/config/VELOR Gaming Driver/, cannot be made: Not a directory; make it, or set "
             "XDG_CONFIG_HOME to a folder you can write in"},
        {"", t + "file", t + "file/.config/VELOR Gaming Driver/",
         "the data folder for the profiles and macros, " + t +
             "file/.config/VELOR Gaming Driver/, cannot be made: Not a directory; make it, or "
             "set XDG_CONFIG_HOME to a folder you can write in"},
        {"", "", "",
         "there is no data folder for the profiles and macros: neither XDG_CONFIG_HOME nor HOME "
         "names one (an absolute path); set HOME"},
    };
    for (const auto& c : cases) {
        std::string error = "left";
        EXPECT_EQ(appDataFolderFor(c.configHome, c.home, program, &error), c.folder);
        EXPECT_EQ(error, c.error.empty() ? "left" : c.error);
        EXPECT_EQ(fs::is_directory(c.folder), c.error.empty()) << c.folder;
        EXPECT_FALSE(fs::exists(program)) << c.folder;
    }
}

// Without HOME the user database names the home; a user it does not list has
// none, which is told rather than crashed on.
TEST(AppFolders, WithoutHomeTheUserDatabaseNamesIt) {
    if (::getuid() != 0) GTEST_SKIP() << "taking a uid the user database does not list needs root";
    EXPECT_EXIT(
        {
            ::unsetenv("HOME");
            ::unsetenv("XDG_CONFIG_HOME");
            const bool listed = configHomeFolder() == "/root/.config/";
            const bool unlisted = ::setuid(54321) == 0 && configHomeFolder().empty();
            std::_Exit(listed && unlisted ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(InstanceLock, OneHolderAtATimeAndFreeAgainWhenReleased) {
    testing::TempFolder temp;
    ::chmod(temp.path().c_str(), 0700);
    auto first = InstanceLock::acquire(temp.path().string());
    ASSERT_TRUE(first);
    std::string error;
    EXPECT_FALSE(InstanceLock::acquire(temp.path().string(), &error));
    EXPECT_TRUE(error.empty());  // held, not broken
    first.reset();
    EXPECT_TRUE(InstanceLock::acquire(temp.path().string()));
}

// Any access for the group or others, even only to pass through, lets them
// reach a socket there: such a folder is passed over for one of our own.
TEST(InstanceLock, RuntimeFolderMustBeOursAndClosed) {
    testing::TempFolder runtime;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string restore = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    for (const mode_t mode : {0755, 0705, 0701, 0750, 0710, 0770, 0700}) {
        ::chmod(runtime.path().c_str(), mode);
        const std::string chosen = instanceRuntimeFolder();
        EXPECT_EQ(chosen == runtime.path().string(), mode == 0700) << std::oct << mode;
        struct stat st {};
        ASSERT_EQ(::stat(chosen.c_str(), &st), 0) << std::oct << mode;
        EXPECT_EQ(st.st_mode & 0077, 0u) << std::oct << mode;
    }
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

// The store lock's holder, named as the user knows it: another process (a
// child renamed as the program or as velorctl) holds the lock.
TEST(StoreLock, AHolderIsNamedByItsProgramAndProcess) {
    testing::TempFolder temp;
    const std::string folder = temp.folder() + "ms_10";
    const std::string lockFile = folder + "/store.lock";
    struct Case {
        const char* comm;
        std::string shownBeforePid;
    };
    const Case cases[] = {{"velor", "VELOR Gaming Driver (velor, process "},
                          {"velorctl", "velorctl (process "},
                          {"someone", "someone (process "}};
    fs::create_directories(folder);
    for (const Case& c : cases) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {  // only system calls here: the parent has threads
            ::prctl(PR_SET_NAME, c.comm);
            const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0600);
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
            (void)!::write(ready[1], "x", 1);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char got = 0;
        ASSERT_EQ(::read(ready[0], &got, 1), 1);
        ::close(ready[0]);
        const std::string holder = c.shownBeforePid + std::to_string(child) + ")";
        EXPECT_EQ(StoreLock::holderOf(folder), holder);
        std::string error;
        EXPECT_EQ(StoreLock::acquire(folder, &error), nullptr);
        EXPECT_EQ(error, "the profiles in " + folder + " are in use by " + holder);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    EXPECT_EQ(StoreLock::holderOf(folder), "");  // the kernel let go with the process
    std::string error;
    EXPECT_NE(StoreLock::acquire(folder, &error), nullptr) << error;
}

// A second copy that cannot reach the first says why, after trying for ten
// seconds of its clock: nobody listening (the first still starting), or the
// first busy with other clients the whole time.
TEST(InstanceNotify, ASecondCopyThatCannotReachTheFirstSaysWhy) {
    testing::TempFolder temp;
    const std::string path = temp.folder() + "instance";
    LocalServer::Handlers handlers;
    handlers.judge = [](std::string_view) { return LocalServer::Received::whole; };
    handlers.onRequest = [](std::string, LocalServer::Received, LocalServer::Answer answer) {
        answer({});
    };
    handlers.busy = kInstanceBusy;
    struct Case {
        int connections;  // -1: nobody listens
        bool reached;
        std::string why;
        long long triedMs;
    };
    const Case cases[] = {
        {-1, false, "nobody listens at " + path + " (No such file or directory)", 10000},
        {0, false, "it is busy with other connections", 10000},
        {1, true, "", 0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<LocalServer> server;
        if (c.connections >= 0)
            server = LocalServer::listen(path, handlers, {c.connections, Millis(1000)}, nullptr);
        VirtualClock clock;
        std::string why;
        EXPECT_EQ(notifyFirstInstance(path, clock, &why), c.reached) << c.connections;
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(clock.now().count(), c.triedMs);
    }
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

TEST(CommandPipe, LinesWrittenIntoThePipeReachTheCallbackAndThePipeGoesWithIt) {
    testing::TempFolder temp;
    const std::string path = temp.folder() + "control";
    std::mutex mutex;
    std::vector<std::string> lines;
    std::string error;
    auto pipe = CommandPipe::open(
        path,
        [&](const std::string& line) {
            const std::lock_guard guard(mutex);
            lines.push_back(line);
        },
        &error);
    ASSERT_TRUE(pipe) << error;
    {
        std::ofstream writer(path);
        writer << "unplug 10:24g\nplug 10:";
        writer.flush();
        writer << "24g\r\n";
    }
    for (int i = 0; i < 400; ++i) {
        {
            const std::lock_guard guard(mutex);
            if (lines.size() == 2) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    {
        const std::lock_guard guard(mutex);
        EXPECT_EQ(lines, (std::vector<std::string>{"unplug 10:24g", "plug 10:24g"}));
    }
    pipe.reset();
    EXPECT_FALSE(std::filesystem::exists(path));

    std::ofstream(temp.folder() + "plain") << "x";
    EXPECT_FALSE(CommandPipe::open(
        temp.folder() + "plain", [](const std::string&) {}, &error));
    EXPECT_NE(error.find("not a pipe"), std::string::npos);
}

// A logout's SIGTERM, a closed terminal's SIGHUP and Ctrl+C's SIGINT become a
// request the program answers as Quit; a second one while it is ending ends
// the process at once, and once the requests are given back the default rules.
TEST(TerminationRequests, EachSignalIsARequestAndASecondOneEndsAtOnce) {
    for (const int number : {SIGTERM, SIGHUP, SIGINT}) {
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(report[0]);
            std::atomic<bool> heard{false};
            auto requests = TerminationRequests::install([&](int got) {
                const char byte = static_cast<char>(got);
                (void)!::write(report[1], &byte, 1);
                heard = true;
            });
            if (!requests) ::_exit(3);
            ::raise(number);
            for (int i = 0; i < 400 && !heard; ++i) ::usleep(5000);
            if (number == SIGINT) {
                requests.reset();  // given back: the default ends the process
            }
            ::raise(number);
            ::_exit(0);
        }
        ::close(report[1]);
        char got = 0;
        EXPECT_EQ(::read(report[0], &got, 1), 1) << number;
        EXPECT_EQ(got, static_cast<char>(number));
        EXPECT_EQ(::read(report[0], &got, 1), 0) << number << ": one request told, not two";
        ::close(report[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << number;
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), number);
        }
    }
}

}  // namespace
}  // namespace velor
