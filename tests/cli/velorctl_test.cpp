#include "cli/velorctl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../support/test_records.h"
#include "platform/control_client.h"
#include "platform/file_io.h"

namespace velor::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

CliRun velorctl(std::vector<std::string> args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out, err;
    const int code = runVelorctl(views, out, err);
    return {code, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

class VelorctlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("velorctl-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::string writeProfile(const std::string& name, const ProfileRecord& record) const {
        EXPECT_TRUE(writeFileAtomically(path(name), record.bytes()));
        return path(name);
    }

    // Bad input: one line on stderr, nothing on stdout, exit code 2.
    void expectRefused(const std::vector<std::string>& args, const std::string& says) const {
        const CliRun r = velorctl(args);
        EXPECT_EQ(r.code, kExitBadInput) << says;
        EXPECT_EQ(r.out, "") << says;
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
        EXPECT_THAT(r.err, HasSubstr(says));
    }

    fs::path dir_;
};

TEST_F(VelorctlTest, DefaultsPrintTheFiveReportsOfAFullUploadInOrder) {
    const CliRun r = velorctl({"reports", "--slot", "10", "--defaults"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[0], "opening 0c0a01fe01fe00000000");
    EXPECT_THAT(l[1], StartsWith("dpi 0438010000"));
    EXPECT_EQ(l[1].size(), 4 + 56 * 2u);
    EXPECT_EQ(l[2], "lighting 050f010003a80000ff020301af0000");
    EXPECT_EQ(l[3], "polling 06090101fe00000000");
    EXPECT_THAT(l[4], StartsWith("buttons 083b01020000"));
}

TEST_F(VelorctlTest, ProfileFileGivesMacroReportsAfterTheButtonsInButtonOrder) {
    ProfileRecord record = testing::defaultRecord();
    const MacroAction a{0x04, MacroAction::kPress, 10};
    testing::assignMacro(record, 12, std::span(&a, 1));
    testing::assignMacro(record, 3, std::span(&a, 1));
    const CliRun r =
        velorctl({"reports", "--slot", "10", "--profile", writeProfile("m.pro", record)});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 7u);
    EXPECT_THAT(l[5], StartsWith("macro:3 098303"));
    EXPECT_THAT(l[6], StartsWith("macro:12 09830c"));
    EXPECT_EQ(l[5].size(), 8 + 131 * 2u);
}

TEST_F(VelorctlTest, ProfileNewWritesARecordThatReportsLikeTheDefaults) {
    const std::string out = path("new.pro");
    const CliRun made =
        velorctl({"profile", "new", "--slot", "10", "--name", "Profile1", "--out", out});
    ASSERT_EQ(made.code, kExitOk) << made.err;
    EXPECT_EQ(fs::file_size(out), 32992u);
    EXPECT_EQ(velorctl({"reports", "--slot", "10", "--profile", out}).out,
              velorctl({"reports", "--slot", "10", "--defaults"}).out);

    // An existing file is kept unless --force is given.
    expectRefused({"profile", "new", "--slot", "10", "--name", "Other", "--out", out}, "exists");
    EXPECT_EQ(
        velorctl({"profile", "new", "--slot", "10", "--name", "Other", "--out", out, "--force"})
            .code,
        kExitOk);
}

TEST_F(VelorctlTest, BadInputIsRefusedWithOneLineAndNothingWritten) {
    expectRefused({"frobnicate"}, "unknown command");
    expectRefused({"reports", "--slot", "11", "--defaults"}, "slot");
    expectRefused({"reports", "--slot", "11", "--defaults"}, "--slot must be a number");
    expectRefused({"reports", "--slot", "10x", "--defaults"}, "--slot must be a number");
    expectRefused({"reports", "--defaults"}, "--slot is required");
    expectRefused({"reports", "--slot", "10"}, "either --profile FILE or --defaults");
    expectRefused({"reports", "--slot", "10", "--bogus"}, "unknown option");
    expectRefused({"reports", "--slot", "10", "--slot", "3", "--defaults"},
                  "option '--slot' given twice");
    expectRefused({"reports", "--slot", "10", "--defaults", "--"}, "unexpected argument '--'");
    expectRefused({"reports", "10", "--defaults"}, "unexpected argument '10'");
    expectRefused({"reports", "--defaults", "--slot"}, "option '--slot' needs a value");
    expectRefused({"reports", "--slot", "10", "--profile", path("missing.pro")}, "missing.pro");

    std::vector<std::uint8_t> shortFile(32991);
    writeFileAtomically(path("short.pro"), shortFile);
    expectRefused({"reports", "--slot", "10", "--profile", path("short.pro")}, "32991 bytes");

    ProfileRecord unterminated = testing::defaultRecord();
    std::fill_n(unterminated.bytes().begin(), 200, 0x41);
    expectRefused({"reports", "--slot", "10", "--profile", writeProfile("n.pro", unterminated)},
                  "no terminator");

    ProfileRecord tooMany = testing::defaultRecord();
    testing::assignMacro(tooMany, 4, {});
    tooMany.button(3).set(SlotField::macroActionCount, 47);
    expectRefused({"reports", "--slot", "10", "--profile", writeProfile("c.pro", tooMany)},
                  "macro action count 47 is above 46");

    const std::string out = path("never.pro");
    expectRefused({"profile", "new", "--slot", "10", "--name", std::string(100, 'x'), "--out", out},
                  "at most 99");
    expectRefused({"profile", "new", "--slot", "10", "--name", "\xC3", "--out", out}, "UTF-8");
    expectRefused({"profile", "new", "--slot", "0", "--name", "A", "--out", out}, "slot");
    expectRefused(
        {"profile", "new", "--slot", "10", "--name", "A", "--out", path("no/such/folder/x.pro")},
        "x.pro");
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(VelorctlTest, HelpExplainsEveryCommand) {
    const CliRun all = velorctl({"--help"});
    EXPECT_EQ(all.code, kExitOk);
    for (const char* command : {"reports", "profile", "help"}) {
        EXPECT_THAT(all.out, HasSubstr(command));
        const CliRun one = velorctl({"help", command});
        EXPECT_EQ(one.code, kExitOk) << command;
        EXPECT_THAT(one.out, HasSubstr("usage: velorctl " + std::string(command)));
    }
    expectRefused({"help", "nope"}, "unknown command 'nope'");
    expectRefused({"help", "reports", "profile"}, "help takes one command name");
}

}  // namespace
}  // namespace velor::cli

namespace velor::cli {
namespace {

class VelorctlProfilesTest : public VelorctlTest {
  protected:
    std::string data() const { return dir_.string(); }
    fs::path store() const { return dir_ / "ms_10" / "pro.data"; }
    void makeStore(int index, std::initializer_list<const char16_t*> names, std::size_t extra = 0) {
        std::vector<std::uint8_t> bytes(164964, 0);
        bytes[0] = static_cast<std::uint8_t>(index);
        for (const char16_t* n : names) {
            const ProfileRecord r = newRecord(testing::ms10().record, n);
            bytes.insert(bytes.end(), r.bytes().begin(), r.bytes().end());
        }
        bytes.resize(bytes.size() + extra, 0);
        fs::create_directories(store().parent_path());
        ASSERT_TRUE(writeFileAtomically(store(), bytes));
    }
};

TEST_F(VelorctlProfilesTest, ListExportAndCheckReadWithoutChangingAnything) {
    makeStore(1, {u"Game", u"Wörk", u"Aim"});
    const auto before = fs::last_write_time(store());
    const auto sizeBefore = fs::file_size(store());

    const CliRun list = velorctl({"profiles", "list", "--slot", "10", "--data", data()});
    EXPECT_EQ(list.code, kExitOk) << list.err;
    EXPECT_EQ(list.out, "0 - Game\n1 * Wörk\n2 - Aim\n");

    const std::string out = path("aim.pro");
    EXPECT_EQ(velorctl({"profiles", "export", "--slot", "10", "--data", data(), "--index", "2",
                        "--out", out})
                  .code,
              kExitOk);
    EXPECT_EQ(fs::file_size(out), 32992u);
    EXPECT_EQ(velorctl({"reports", "--slot", "10", "--profile", out}).code, kExitOk);
    expectRefused({"profiles", "export", "--slot", "10", "--data", data(), "--index", "3", "--out",
                   path("x.pro")},
                  "--index must be 0 to 2");

    const CliRun check = velorctl({"profiles", "check", "--slot", "10", "--data", data()});
    EXPECT_EQ(check.code, kExitOk);
    EXPECT_EQ(check.out, "ok\n");
    EXPECT_EQ(fs::last_write_time(store()), before);
    EXPECT_EQ(fs::file_size(store()), sizeBefore);
}

TEST_F(VelorctlProfilesTest, CheckReportsDamageAndAMissingStore) {
    const CliRun none = velorctl({"profiles", "check", "--slot", "10", "--data", data()});
    EXPECT_EQ(none.code, kExitBadInput);
    EXPECT_THAT(none.err, HasSubstr("no profile store"));

    makeStore(5, {u"Only"}, 10);
    const CliRun damaged = velorctl({"profiles", "check", "--slot", "10", "--data", data()});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_EQ(lines(damaged.out).size(), 2u);  // trailing bytes, index
    const CliRun list = velorctl({"profiles", "list", "--slot", "10", "--data", data()});
    EXPECT_EQ(list.out, "0 * Only\n");
    EXPECT_EQ(lines(list.err).size(), 2u);
    EXPECT_EQ(fs::file_size(store()), 164964u + 32992u + 10u);
}

}  // namespace
}  // namespace velor::cli

namespace velor::cli {
namespace {

// The frames a run writes, one per line; the run must succeed.
std::vector<std::string> framesOf(std::vector<std::string> args) {
    args.insert(args.begin(), "frames");
    const CliRun r = velorctl(args);
    EXPECT_EQ(r.code, 0) << r.err;
    return lines(r.out);
}

TEST_F(VelorctlTest, FramesShowsWhatEachLinkWrites) {
    // Over the 2.4 GHz receiver the mouse acknowledges: one copy of each report.
    const auto sent = framesOf({"--slot", "10", "--link", "24g", "--defaults"});
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[0], "0c0a01fe01fe00000000");
    EXPECT_EQ(sent[3], "06090101fe00000000");

    // A macro on the cable goes in three 64-byte chunks.
    ProfileRecord withMacro = testing::defaultRecord();
    const MacroAction a{0x04, MacroAction::kPress, 10};
    testing::assignMacro(withMacro, 5, std::span(&a, 1));
    const std::string file = writeProfile("macro.pro", withMacro);
    const auto frames = framesOf({"--slot", "10", "--link", "wired", "--profile", file});
    ASSERT_EQ(frames.size(), 8u);
    for (std::size_t i = 5; i < 8; ++i) {
        EXPECT_EQ(frames[i].size(), 128u);
        EXPECT_THAT(frames[i], StartsWith("0940050" + std::to_string(i - 5)));
    }

    // Over Bluetooth no polling rate goes; the light-off slot's lighting
    // carries its default light-off time in the nibble.
    const auto written = framesOf({"--slot", "7", "--link", "ble", "--defaults"});
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[0], "0c0a01fe01fe00000000");
    EXPECT_EQ(written[2], "050f017003280000ff0a0301a70000");
    EXPECT_THAT(written[3], StartsWith("083b"));
}

// The default reports of one slot of each record shape and DPI variant,
// checked byte by byte against the tables (codes, nibbles, sums).
TEST_F(VelorctlTest, ReportsOfEveryRecordShapeAndDpiVariant) {
    const std::map<std::string, std::vector<std::string>> expected = {
        // short record, table DPI, classic lighting
        {"1",
         {"dpi "
          "04380100003f000009121c254b750000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f9200000000",
          "lighting 050f010003080000ff0b0301180000", "polling 06090101fe00000000"}},
        // short record, wide DPI
        {"2",
         {"dpi "
          "04380100003f0000070f171f3f630000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f6400000000",
          "lighting 050f010003080000ff0b0301180000", "polling 06090101fe00000000"}},
        // swapped record, wide DPI, seven rates
        {"3",
         {"dpi "
          "04380100003f0001070f171f3f630000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f6500000000",
          "lighting 050f010003280000ff0a0301370000", "polling 06090140bf00000000"}},
        // long record, two polling settings
        {"6",
         {"dpi "
          "04380100003f0001070f171f3f630000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f6500000000",
          "lighting 050f010003a80000ff020301af0000", "polling 060901748b00000000"}},
        // light-off record, table DPI
        {"7",
         {"dpi "
          "04380100003f000009121c254b750000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f9200000000",
          "lighting 050f017003280000ff0a0301a70000", "polling 06090101fe00000000"}},
        // light-off record, offset DPI
        {"9",
         {"dpi "
          "04380100003f0000070f171f3f630000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f6400000000",
          "lighting 050f017003280000ff0a0301a70000", "polling 06090101fe00000000"}},
    };
    for (const auto& [slot, reports] : expected) {
        const CliRun r = velorctl({"reports", "--slot", slot, "--defaults"});
        ASSERT_EQ(r.code, 0) << r.err;
        std::vector<std::string> got;
        for (const std::string& line : lines(r.out))
            if (!line.starts_with("opening") && !line.starts_with("buttons")) got.push_back(line);
        EXPECT_EQ(got, reports) << "slot " << slot;
    }
}

TEST_F(VelorctlTest, FramesRefusesALinkTheSlotDoesNotHave) {
    expectRefused({"frames", "--slot", "10", "--link", "4k", "--defaults"}, "has no link '4k'");
    expectRefused({"frames", "--slot", "3", "--link", "ble", "--defaults"}, "has no link 'ble'");
    expectRefused({"frames", "--slot", "10", "--link", "carrier-pigeon", "--defaults"},
                  "has no link");
    expectRefused({"frames", "--slot", "10", "--link", "24g"}, "--profile FILE or --defaults");
}

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

class VelorctlThroughTheProgramTest : public VelorctlTest {
  protected:
    void SetUp() override {
        VelorctlTest::SetUp();
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
        VelorctlTest::TearDown();
    }
    std::string socket() const { return controlSocketPath(dir_.string()); }
    fs::path before_;
};

TEST_F(VelorctlThroughTheProgramTest, AFileTravelsAsAFullPathFromTheCallersFolder) {
    SilentOrAnsweringProgram program(socket(), true);
    const CliRun r = velorctl({"apply", "--slot", "10", "--profile", "rel.pro"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "done\n");
    EXPECT_EQ(program.request(), (std::vector<std::string>{"apply", "--slot", "10", "--profile",
                                                           path("here/rel.pro")}));
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
