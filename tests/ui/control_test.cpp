// velorctl's device commands through the running program: its control socket,
// its pages, its stores and its link to a simulated mouse on the cable.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include <gmock/gmock.h>

#include "../support/test_records.h"
#include "app/control_server.h"
#include "app/pages_host.h"
#include "page_fixture.h"
#include "platform/control_client.h"
#include "platform/file_io.h"
#include "profile/record_defaults.h"
#include "store/profile_store.h"
#include "ui/msg_window.h"

namespace velor {
namespace {

namespace fs = std::filesystem;

// A client of our own: connected, and given the first `bytes` of a request.
int connectedClient(const std::string& path, std::size_t bytes = 0) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const std::string request = encodeRequest({"devices"});
    ::send(fd, request.data(), std::min(bytes, request.size()), MSG_NOSIGNAL);
    return fd;
}

// Whether the program hung up on the client: its read ends or fails.
bool hungUp(int fd) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, 0) <= 0) return false;
    char c = 0;
    return ::recv(fd, &c, 1, MSG_DONTWAIT) <= 0;
}

// Runs the event loop until done() holds, for up to two seconds. A free
// function: while no descriptor is left, the sanitizers' checks of a member
// call cannot run (they need a pipe of their own).
template <typename Done>
bool pumpUntil(Done done) {
    for (int i = 0; i < 400 && !done(); ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

int highestOpenDescriptor() {
    int highest = 2;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        highest = std::max(highest, std::stoi(e.path().filename().string()));
    return highest;
}

// Little-endian 32-bit, as the wire carries counts and lengths.
std::string u32(std::uint32_t v) {
    return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24)};
}
std::string wireRequest(const std::vector<std::string>& args) {
    std::string out = u32(std::uint32_t(args.size()));
    for (const std::string& a : args) out += u32(std::uint32_t(a.size())) + a;
    return out;
}

// The program's own host, with the answers of settings held back until
// released: a command still running while the client sends more.
class HeldHost final : public cli::MiceHost {
  public:
    explicit HeldHost(cli::MiceHost& inner) : inner_(inner) {}
    std::vector<cli::MouseState> devices() override { return inner_.devices(); }
    void currentProfile(int slot, Done done) override { inner_.currentProfile(slot, done); }
    void applyProfile(int slot, const std::optional<std::filesystem::path>& file,
                      std::optional<int> index, Done done) override {
        inner_.applyProfile(slot, file, index, done);
    }
    void applySetting(int slot, cli::Setting setting, Done done) override {
        ++settings;
        inner_.applySetting(slot, setting, [this, done](cli::Outcome o) {
            held_.push_back([done, o] { done(o); });
        });
    }
    void useProfile(int slot, const std::u16string& name, Done done) override {
        inner_.useProfile(slot, name, done);
    }
    void editRules(int slot, const RulesEdit& edit,
                   std::function<void(RulesOutcome)> done) override {
        inner_.editRules(slot, edit, done);
    }
    void release() {
        for (const auto& answer : std::exchange(held_, {})) answer();
    }
    int settings = 0;

  private:
    cli::MiceHost& inner_;
    std::vector<std::function<void()>> held_;
};

class ControlTest : public PageTest {
  protected:
    ControlTest() = default;
    explicit ControlTest(bool realNotices) : PageTest(true, 10, {}, realNotices) {}
    std::optional<ControlAnswer> ask(std::vector<std::string> args) {
        // velorctl waits in its own process; the program's loop runs meanwhile.
        auto asked =
            std::async(std::launch::async, [&] { return askRunningProgram(socket, args); });
        waitFor(
            [&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        return asked.get();
    }
    // A client of our own sends the pieces one at a time, the program's loop
    // running in between, and reads until the program hangs up.
    std::string exchange(const std::vector<std::string>& pieces) {
        const int fd = connectedClient(socket);
        EXPECT_GE(fd, 0);
        for (const std::string& piece : pieces) {
            ::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL);
            for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        }
        std::string got;
        const bool ended = waitFor([&] {
            if (held) held->release();
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) got.append(buffer, std::size_t(n));
            return n == 0 || (n < 0 && errno != EAGAIN);
        });
        EXPECT_TRUE(ended) << "the program did not hang up";
        ::close(fd);
        return got;
    }
    const std::string socket = temp.folder() + "control";
    HeldHost* held = nullptr;
};

// The request as a client may really send it: cut anywhere, followed by more
// bytes, malformed, or at the bounds of what a request may hold. One request
// per connection runs once, and its answer is all that comes back.
TEST_F(ControlTest, RequestsAreTakenWholeOnceAndMalformedOnesRefused) {
    PagesHost pages(*window);
    HeldHost host(pages);
    held = &host;
    ControlServer server(QString::fromStdString(socket), host);
    ASSERT_TRUE(server.listening());
    struct stat st {};
    ASSERT_EQ(::stat(socket.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);  // nobody else may connect

    const std::string devices = wireRequest({"devices", "--json"});
    const std::string listed =
        "[{\"slot\":10,\"model\":\"MS-10\",\"links\":[\"wired\"],"
        "\"battery\":null,\"charging\":true}]\n";
    const std::string malformed = "velorctl: the request is malformed\n";
    const std::vector<std::string> sixtyFour(64, "--json");
    std::vector<std::string> sixtyFive(sixtyFour);
    sixtyFive.push_back("--json");
    const auto setLevel = [](const char* k) {
        return wireRequest({"set", "--slot", "10", "--dpi-level", k});
    };
    // "*": any text but the malformed answer.
    const ControlAnswer listedOk{0, listed, ""}, setOk{0, "slot 10 set\n", ""},
        refused{2, "", malformed}, wrongLine{2, "*", "*"};
    struct Case {
        const char* what;
        std::vector<std::string> pieces;
        const ControlAnswer& expected;
    };
    const Case cases[] = {
        {"cut in three", {devices.substr(0, 3), devices.substr(3, 6), devices.substr(9)}, listedOk},
        {"cut inside an argument's length", {devices.substr(0, 17), devices.substr(17)}, listedOk},
        // While the command runs, more comes: it is not read as another request.
        {"more bytes after the request was taken", {setLevel("7"), setLevel("5")}, setOk},
        {"a request behind the request", {devices + setLevel("5")}, listedOk},
        {"65 arguments", {wireRequest(sixtyFive)}, refused},
        {"an argument of 4097 bytes", {wireRequest({"devices", std::string(4097, 'a')})}, refused},
        {"a count past any bound", {u32(0xFFFFFFFF)}, refused},
        {"64 arguments: a command line, if a wrong one", {wireRequest(sixtyFour)}, wrongLine},
        {"4096 bytes", {wireRequest({"devices", std::string(4096, 'a')})}, wrongLine},
    };
    for (const Case& c : cases) {
        const std::string got = exchange(c.pieces);
        const auto reply = decodeAnswer(got);
        ASSERT_TRUE(reply.has_value()) << c.what;
        EXPECT_EQ(got.size(), 12 + reply->out.size() + reply->err.size())
            << c.what << ": one answer and nothing after it";
        EXPECT_EQ(reply->exitCode, c.expected.exitCode) << c.what << ": " << reply->err;
        if (c.expected.out != "*") {
            EXPECT_EQ(reply->out, c.expected.out) << c.what;
        }
        if (c.expected.err != "*") {
            EXPECT_EQ(reply->err, c.expected.err) << c.what;
        } else {
            EXPECT_NE(reply->err, malformed) << c.what;
        }
    }
    // Only the one set ran: level 7 is what the mouse holds.
    EXPECT_EQ(host.settings, 1);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 7);
    EXPECT_EQ(current().i32(Field::dpiLevel), 6);
}

TEST_F(ControlTest, DeviceCommandsRunInTheProgramAndAnswerWhenDone) {
    EXPECT_FALSE(askRunningProgram(socket, {"devices"}).has_value());  // nobody listens yet
    PagesHost host(*window);
    ControlServer server(QString::fromStdString(socket), host);
    ASSERT_TRUE(server.listening());

    const auto devices = ask({"devices", "--json"});
    ASSERT_TRUE(devices.has_value());
    EXPECT_EQ(devices->exitCode, 0);
    EXPECT_EQ(devices->out,
              "[{\"slot\":10,\"model\":\"MS-10\",\"links\":[\"wired\"],"
              "\"battery\":null,\"charging\":true}]\n");

    ProfileRecord game = newRecord(model.record, u"Game");
    game.set(Field::dpiLevel, 6);
    const std::string gameFile = temp.folder() + "game.pro";
    ASSERT_TRUE(writeFileAtomically(gameFile, game.bytes()));
    const std::size_t before = mouse->trace().size();
    const auto applied = ask({"apply", "--slot", "10", "--profile", gameFile});
    ASSERT_TRUE(applied.has_value());
    EXPECT_EQ(applied->exitCode, 0) << applied->err;
    EXPECT_EQ(applied->out, "slot 10 holds profile 1 (Game)\n");
    // The whole profile went to the mouse, and the window shows it.
    EXPECT_EQ(mouse->trace().size() - before, 5u);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 7);
    EXPECT_EQ(page->profiles().size(), 2u);
    EXPECT_EQ(current().i32(Field::dpiLevel), 6);

    const auto set = ask({"set", "--slot", "10", "--dpi-level", "2"});
    EXPECT_EQ(set->exitCode, 0);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);
    EXPECT_EQ(ask({"set", "--slot", "10", "--polling", "500"})->exitCode, 0);
    EXPECT_EQ(mouse->settings().pollingCode, 0x02);
    // The disk holds what the mouse holds.
    const auto stored = readProfileStore(model, temp.path() / "ms_10" / "pro.data");
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->records.size(), 2u);
    EXPECT_EQ(stored->currentIndex, 1);
    EXPECT_EQ(stored->records[1].i32(Field::dpiLevel), 1);
    EXPECT_EQ(stored->records[1].i32(Field::pollingRate), 2);

    EXPECT_EQ(ask({"status", "--slot", "3"})->exitCode, 1);
    EXPECT_EQ(ask({"set", "--slot", "10", "--polling", "300"})->exitCode, 2);
    const auto notOurs = ask({"reports", "--slot", "10", "--defaults"});
    EXPECT_EQ(notOurs->exitCode, 2);
    EXPECT_EQ(notOurs->err, "velorctl: the program runs only device commands\n");
}

// A profile whose macros cannot be stored is not imported at all: velorctl
// hears the store's failure (exit 1), and the window, the mouse and the disk
// stay as they were until the macros can be written.
TEST_F(ControlTest, AnImportWhoseMacrosCannotBeStoredChangesNothing) {
    PagesHost host(*window);
    ControlServer server(QString::fromStdString(socket), host);
    ProfileRecord game = newRecord(model.record, u"Game");
    const MacroAction press{0x04, MacroAction::kPress, 10};
    testing::assignMacro(game, 2, std::span(&press, 1));
    const std::string gameFile = temp.folder() + "game.pro";
    ASSERT_TRUE(writeFileAtomically(gameFile, game.bytes()));
    const fs::path macros = temp.path() / "ms_10" / "macro.data";
    fs::create_directories(macros / "in-the-way");  // no file can be renamed over it
    const auto stored = *readWholeFile(temp.path() / "ms_10" / "pro.data", 1 << 30);
    const std::size_t before = mouse->trace().size();

    const auto refused = ask({"apply", "--slot", "10", "--profile", gameFile});
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->exitCode, 1);
    EXPECT_THAT(refused->err, ::testing::StartsWith("velorctl: the profile's macros could not be "
                                                    "stored, so it was not imported: "));
    EXPECT_THAT(refused->err, ::testing::HasSubstr(macros.string()));
    EXPECT_EQ(find<QListWidget>("list_profile")->count(), 1);
    EXPECT_EQ(page->profiles().size(), 1u);
    EXPECT_TRUE(page->macros().records.empty());
    EXPECT_EQ(mouse->trace().size(), before);
    EXPECT_EQ(*readWholeFile(temp.path() / "ms_10" / "pro.data", 1 << 30), stored);

    fs::remove_all(macros);
    const auto applied = ask({"apply", "--slot", "10", "--profile", gameFile});
    ASSERT_TRUE(applied.has_value());
    EXPECT_EQ(applied->exitCode, 0) << applied->err;
    EXPECT_EQ(applied->out, "slot 10 holds profile 1 (Game)\n");
    const auto bytes = *readWholeFile(macros, 1 << 20);
    ASSERT_EQ(bytes.size(), 240u);  // one macro
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 12),
              (std::vector<std::uint8_t>{'M', 0, 'a', 0, 'c', 0, 'r', 0, 'o', 0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 52, bytes.begin() + 60),
              (std::vector<std::uint8_t>{1, 0, 0, 0, 0x04, 1, 10, 0}));
    EXPECT_EQ(find<QListWidget>("list_profile")->count(), 2);
    EXPECT_GT(mouse->trace().size(), before);
}

// The page's own notices, as the user sees them.
class ControlNoticeTest : public ControlTest {
  protected:
    ControlNoticeTest() : ControlTest(true) {}
    // The texts of the notices up.
    static std::vector<std::string> notices() {
        std::vector<std::string> up;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* notice = qobject_cast<CMsgWnd*>(top); notice && notice->isVisible())
                up.push_back(notice->skin().find<QLabel>("warning")->text().toStdString());
        return up;
    }
};

// A store that cannot be written is told by a notice that holds nothing up:
// velorctl has its answer while the notice waits for OK, and what comes
// meanwhile is answered too, its own news waiting until the notice is closed.
TEST_F(ControlNoticeTest, StoresThatCannotBeWrittenAreAnsweredAtOnceAndToldOneAtATime) {
    PagesHost host(*window);
    ControlServer server(QString::fromStdString(socket), host);
    const fs::path folder = temp.path() / "ms_10";
    for (const char* store : {"app_rules.txt", "pro.data"}) {
        fs::remove(folder / store);
        fs::create_directories(folder / store / "in-the-way");
    }
    // A notice that waits for OK in a loop of its own is closed after a
    // while, so that the test ends.
    QTimer::singleShot(3000, window.get(), [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    const std::string rulesNotSaved = "The application rules could not be saved.\n\n";
    const auto rules =
        ask({"rules", "add", "--slot", "10", "--app", "xterm", "--profile", "Profile 1"});
    ASSERT_TRUE(rules.has_value());
    EXPECT_EQ(rules->exitCode, 1);
    EXPECT_THAT(rules->err, ::testing::HasSubstr((folder / "app_rules.txt").string()));
    ASSERT_EQ(notices().size(), 1u);
    EXPECT_THAT(notices().front(), ::testing::StartsWith(rulesNotSaved));

    // Meanwhile: the same again, and a setting that reaches the mouse but
    // not the disk. Each is answered; the notice stays the only one.
    EXPECT_EQ(
        ask({"rules", "add", "--slot", "10", "--app", "xterm", "--profile", "Profile 1"})->exitCode,
        1);
    const auto set = ask({"set", "--slot", "10", "--dpi-level", "3"});
    ASSERT_TRUE(set.has_value());
    EXPECT_EQ(set->exitCode, 1);
    EXPECT_THAT(set->err, ::testing::HasSubstr("could not be stored"));
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 3);
    ASSERT_EQ(notices().size(), 1u);
    EXPECT_THAT(notices().front(), ::testing::StartsWith(rulesNotSaved));

    // OK: the news of the setting comes next.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* notice = qobject_cast<CMsgWnd*>(top); notice && notice->isVisible())
            notice->skin().find<QAbstractButton>("btn_ok")->click();
    ASSERT_TRUE(waitFor([&] {
        return notices().size() == 1 && notices().front().starts_with("Your settings could not");
    }));
}

TEST_F(ControlTest, StalledAndCrowdingClientsAreClosedAndTheRestServed) {
    PagesHost host(*window);
    {
        // Two stalled requests fill a bound of two: a third client is told why.
        ControlServer server(QString::fromStdString(socket), host, {2, 60'000});
        const int first = connectedClient(socket, 3), second = connectedClient(socket, 3);
        const auto crowded = ask({"devices"});
        ASSERT_TRUE(crowded.has_value());
        EXPECT_EQ(crowded->exitCode, 1);
        EXPECT_EQ(crowded->err,
                  "velorctl: the program is busy with other requests; try again in a moment\n");
        EXPECT_FALSE(hungUp(first));
        ::close(first);
        ::close(second);
    }
    // A request that stops half-way is hung up on once its time is up.
    ControlServer server(QString::fromStdString(socket), host, {2, 10});
    const int stalled = connectedClient(socket, 5);
    EXPECT_TRUE(waitFor([&] { return hungUp(stalled); }));
    ::close(stalled);
    const auto devices = ask({"devices"});
    ASSERT_TRUE(devices.has_value());
    EXPECT_EQ(devices->exitCode, 0) << devices->err;
}

TEST_F(ControlTest, RunningOutOfDescriptorsDoesNotEndTheSocket) {
    PagesHost host(*window);
    ControlServer server(QString::fromStdString(socket), host);
    ASSERT_TRUE(server.listening());
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit low = before;
    low.rlim_cur = std::min<rlim_t>(before.rlim_cur, highestOpenDescriptor() + 64);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    // Every descriptor taken but one, which the client then takes: the
    // program's accept finds none.
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) taken.push_back(fd);
    EXPECT_EQ(errno, EMFILE);
    ::close(taken.back());
    taken.pop_back();
    const int knocking = connectedClient(socket);
    EXPECT_GE(knocking, 0);
    std::string answered;
    const bool hung = pumpUntil([knocking, &answered] {
        char buffer[256];
        const ssize_t n = ::recv(knocking, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) answered.append(buffer, std::size_t(n));
        return n == 0 || (n < 0 && errno != EAGAIN);
    });
    for (const int fd : taken) ::close(fd);
    ::close(knocking);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &before), 0);
    EXPECT_TRUE(hung);
    // Told why, rather than hung up on without a word.
    const auto busy = decodeAnswer(answered);
    ASSERT_TRUE(busy.has_value());
    EXPECT_EQ(busy->err,
              "velorctl: the program is busy with other requests; try again in a moment\n");
    // Descriptors free again: velorctl reaches the program as before.
    EXPECT_TRUE(waitFor([&] { return server.listening(); }));
    const auto devices = ask({"devices"});
    ASSERT_TRUE(devices.has_value());
    EXPECT_EQ(devices->exitCode, 0) << devices->err;
}

// The rules file is a named pipe when the program starts: a rules command
// through the program says so as velorctl alone does (rules_commands_test),
// rather than listing no rules.
class UnreadableRulesTest : public PageTest {
  protected:
    UnreadableRulesTest()
        : PageTest(true, 10, [](testing::TempFolder& t, QString&) {
              std::filesystem::create_directories(t.path() / "ms_10");
              ::mkfifo((t.path() / "ms_10" / "app_rules.txt").c_str(), 0600);
          }) {}
};

TEST_F(UnreadableRulesTest, RulesCommandsSayWhyAsVelorctlAloneDoes) {
    const std::filesystem::path rules = temp.path() / "ms_10" / "app_rules.txt";
    ASSERT_TRUE(page->storesLoaded());
    PagesHost host(*window);
    const ControlAnswer unreadable{1, "",
                                   "velorctl: the rules cannot be read (" + rules.string() +
                                       ": it is not a regular file); they are left as they are\n"};
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"rules", "list", "--slot", "10"},
          {"rules", "add", "--slot", "10", "--app", "xterm", "--profile", "Profile 1"}}) {
        std::optional<ControlAnswer> got;
        cli::runDeviceCommand(args, host, [&](int code, std::string out, std::string err) {
            got = ControlAnswer{code, out, err};
        });
        ASSERT_TRUE(got) << args[1];
        EXPECT_EQ(got->exitCode, unreadable.exitCode) << args[1];
        EXPECT_EQ(got->out, unreadable.out) << args[1];
        EXPECT_EQ(got->err, unreadable.err) << args[1];
    }
    EXPECT_TRUE(std::filesystem::is_fifo(rules));
}

}  // namespace
}  // namespace velor
