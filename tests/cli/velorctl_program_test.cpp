// velorctl while the program runs: what travels to it, what comes back,
// what velorctl answers itself, and where its diagnostic lines go.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../support/temp_folder.h"
#include "../support/velorctl_run.h"
#include "cli/velorctl.h"
#include "platform/control_client.h"
#include "platform/program_folder.h"

namespace velor::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::velorctl;

// Stands in for the running program on its control socket: takes one
// request and answers it, or says nothing until velorctl goes away (a
// stopped program; after ten seconds it hangs up, so a velorctl that never
// gives up fails instead of hanging).
class SilentOrAnsweringProgram {
  public:
    SilentOrAnsweringProgram(const std::string& socketPath, bool answers) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
        ::unlink(socketPath.c_str());
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(listener_, 4), 0);
        serving_ = std::thread([this, answers] {
            // A velorctl that never comes fails the test instead of hanging it.
            pollfd knock{listener_, POLLIN, 0};
            if (::poll(&knock, 1, 10'000) != 1) {
                ADD_FAILURE() << "velorctl never connected";
                return;
            }
            const int fd = ::accept(listener_, nullptr, nullptr);
            std::string bytes;
            char buffer[512];
            for (;;) {
                if (const auto r = decodeRequest(bytes, nullptr)) {
                    request_ = r->args;
                    break;
                }
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                bytes.append(buffer, static_cast<std::size_t>(n));
            }
            if (answers) {
                const std::string reply = encodeAnswer({0, "done\n", ""});
                ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
            } else {
                pollfd untilGone{fd, POLLIN, 0};
                ::poll(&untilGone, 1, 10'000);
            }
            ::close(fd);
        });
    }
    ~SilentOrAnsweringProgram() {
        if (serving_.joinable()) serving_.join();
        ::close(listener_);
    }
    const std::vector<std::string>& request() {
        serving_.join();
        return request_;
    }

  private:
    int listener_ = -1;
    std::thread serving_;
    std::vector<std::string> request_;
};

class VelorctlThroughTheProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::chmod(dir_.c_str(), 0700);
        fs::create_directories(dir_ / "here");
        before_ = fs::current_path();
        fs::current_path(dir_ / "here");
        ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        // A command carried out alone works on this data folder, never the user's.
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("VELOR_CONTROL_TIMEOUT_MS");
        fs::current_path(before_);
    }
    std::string socket() const { return controlSocketPath(dir_.string()); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    testing::TempFolder temp;
    const fs::path dir_ = temp.path();
    fs::path before_;
};

TEST_F(VelorctlThroughTheProgramTest, AFileTravelsAsAFullPathFromTheCallersFolder) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"apply", "--slot", "10", "--profile", "rel.pro"},
          {"apply", "--profile=rel.pro", "-s10"},
          {"apply", "-p", "rel.pro", "--slot=10", "--"}}) {
        SilentOrAnsweringProgram program(socket(), true);
        const CliRun r = velorctl(args);
        EXPECT_EQ(r.code, 0) << args[1];
        EXPECT_EQ(r.out, "done\n");
        EXPECT_EQ(program.request(), (std::vector<std::string>{"apply", "--slot", "10", "--profile",
                                                               path("here/rel.pro")}))
            << args[1];
    }
}

// Without the program, velorctl stores only where the user's data goes: a
// data folder that cannot be made is named, with why, and nothing is done.
TEST_F(VelorctlThroughTheProgramTest, ADataFolderThatCannotBeMadeIsNamedAndNothingIsStored) {
    std::ofstream(dir_ / "file") << "x";
    ::setenv("XDG_CONFIG_HOME", path("file/config").c_str(), 1);
    ::setenv("VELOR_SIMULATE", "10:wired", 1);
    const CliRun r = velorctl({"set", "--slot", "10", "--dpi-level", "2"});
    ::unsetenv("VELOR_SIMULATE");
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    EXPECT_EQ(r.code, kExitDevice);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "velorctl: the data folder for the profiles and macros, " +
                         path("file/config") +
                         "/VELOR Gaming Driver/, cannot be made: Not a directory; make it, or set "
                         "XDG_CONFIG_HOME to a folder you can write in\n");
    EXPECT_FALSE(fs::exists(GetProgramFolder() + "Data"));
}

TEST_F(VelorctlThroughTheProgramTest, AProgramThatStoppedAnsweringIsGivenUpOn) {
    ::setenv("VELOR_CONTROL_TIMEOUT_MS", "50", 1);
    SilentOrAnsweringProgram program(socket(), false);
    const CliRun r = velorctl({"set", "--slot", "10", "--dpi-level", "2"});
    EXPECT_EQ(r.code, kExitDevice);
    EXPECT_EQ(r.err,
              "velorctl: the program did not answer within 50 ms: it is stopped or hung, and may "
              "still carry out the command if it goes on. Check it (resume it, or quit it and run "
              "the command again).\n");
    EXPECT_EQ(program.request(),
              (std::vector<std::string>{"set", "--slot", "10", "--dpi-level", "2"}));
}

// Bad input gets one answer whether the program runs or not: it is told
// before the program is asked, so the bounds of a request to the program
// never stand in for the limit the input broke.
TEST_F(VelorctlThroughTheProgramTest, BadInputIsAnsweredAlikeWithOrWithoutTheProgram) {
    ::setenv("VELOR_CONTROL_TIMEOUT_MS", "2000", 1);
    const std::string tooLong = "velorctl: the application name is longer than 255 characters\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rules", "add", "--slot", "10", "--app", std::string(100'000, 'a'), "--profile", "Game"},
         tooLong},
        {{"rules", "remove", "--slot", "10", "--app", std::string(256, 'a')}, tooLong},
        {{"set", "--slot", "10", "--dpi-level", "9"}, "velorctl: --dpi-level must be 1 to 8\n"},
        {{"profile", "use", "--slot", "10", "--name", std::string(4097, 'n')},
         "velorctl: an argument is longer than 4096 bytes\n"},
    };
    const auto refusedAlike = [&](const char* how) {
        for (const auto& [args, says] : cases) {
            const CliRun r = velorctl(args);
            EXPECT_EQ(r.code, kExitBadInput) << how << " " << args[0];
            EXPECT_EQ(r.out, "") << how;
            EXPECT_EQ(r.err, says) << how;
        }
    };
    refusedAlike("alone");
    SilentOrAnsweringProgram program(socket(), true);
    refusedAlike("with the program");
    // The first request the program gets is the first sound one.
    EXPECT_EQ(velorctl({"rules", "list", "--slot", "10"}).out, "done\n");
    EXPECT_EQ(program.request(), (std::vector<std::string>{"rules", "list", "--slot", "10"}));
}

// What the process writes on its standard error while run() runs: where
// the diagnostic lines go, velorctl's own and the program's alike.
template <typename Run>
std::string standardErrorOf(Run run) {
    std::fflush(stderr);
    std::FILE* captured = std::tmpfile();
    const int saved = ::dup(2);
    ::dup2(::fileno(captured), 2);
    run();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::string text;
    std::rewind(captured);
    for (int c; (c = std::fgetc(captured)) != EOF;) text += static_cast<char>(c);
    std::fclose(captured);
    return text;
}

// -v, or VELOR_DEBUG set to anything but empty or 0, prints velorctl's
// diagnostic lines (here: the trace file cannot be opened), each with its
// control characters escaped.
TEST_F(VelorctlThroughTheProgramTest, VerboseOrVelorDebugPrintTheDiagnosticLinesEscaped) {
    const std::string trace = path("no\x1b]0;owned\x07/trace");
    ::setenv("VELOR_SIMULATE", "10:wired", 1);
    ::setenv("VELOR_SIM_TRACE", trace.c_str(), 1);
    const std::string line =
        "cannot open " + path("no\\x1b]0;owned\\x07/trace") + " for the trace\n";
    struct Case {
        const char* velorDebug;  // nullptr: unset
        std::vector<std::string> args;
        std::string printed;
    };
    const Case cases[] = {
        {nullptr, {"devices"}, ""},
        {"0", {"devices"}, ""},
        {"", {"devices"}, ""},
        {"1", {"devices"}, line},
        {"yes", {"devices"}, line},
        {nullptr, {"-v", "devices"}, line},
        {"0", {"--verbose", "devices"}, line},
    };
    for (const Case& c : cases) {
        if (c.velorDebug)
            ::setenv("VELOR_DEBUG", c.velorDebug, 1);
        else
            ::unsetenv("VELOR_DEBUG");
        CliRun r{};
        EXPECT_EQ(standardErrorOf([&] { r = velorctl(c.args); }), c.printed)
            << (c.velorDebug ? c.velorDebug : "unset") << " " << c.args[0];
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, "10\tMS-10\twired\t-\tcharging\n");
    }
    ::unsetenv("VELOR_DEBUG");
    ::unsetenv("VELOR_SIMULATE");
    ::unsetenv("VELOR_SIM_TRACE");
}

}  // namespace
}  // namespace velor::cli
