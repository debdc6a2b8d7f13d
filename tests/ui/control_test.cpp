// velorctl's device commands through the running program: its control socket,
// its pages, its stores and its link to a simulated mouse on the cable.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <future>

#include <gmock/gmock.h>

#include "app/control_server.h"
#include "app/pages_host.h"
#include "page_fixture.h"
#include "platform/control_client.h"
#include "platform/file_io.h"
#include "profile/record_defaults.h"
#include "store/profile_store.h"

namespace velor {
namespace {

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

int highestOpenDescriptor() {
    int highest = 2;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        highest = std::max(highest, std::stoi(e.path().filename().string()));
    return highest;
}

class ControlTest : public PageTest {
  protected:
    std::optional<ControlAnswer> ask(std::vector<std::string> args) {
        // velorctl waits in its own process; the program's loop runs meanwhile.
        auto asked =
            std::async(std::launch::async, [&] { return askRunningProgram(socket, args); });
        waitFor(
            [&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        return asked.get();
    }
    const std::string socket = temp.folder() + "control";
};

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
    EXPECT_TRUE(waitFor([&] { return hungUp(knocking); }));
    for (const int fd : taken) ::close(fd);
    ::close(knocking);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &before), 0);
    // Descriptors free again: velorctl reaches the program as before.
    EXPECT_TRUE(waitFor([&] { return server.listening(); }));
    const auto devices = ask({"devices"});
    ASSERT_TRUE(devices.has_value());
    EXPECT_EQ(devices->exitCode, 0) << devices->err;
}

}  // namespace
}  // namespace velor
