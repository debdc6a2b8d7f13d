// The local server as a client on this machine meets it: a raw socket that
// half-closes after its request, and a crowd beyond the process's descriptor
// limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "../support/temp_folder.h"
#include "platform/local_server.h"

namespace velor {
namespace {

using Received = LocalServer::Received;

int connectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// What the server sends until it hangs up, or "<no end>" when it has not
// hung up within two seconds.
std::string readToEnd(int fd) {
    std::string got;
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 2000) <= 0) return got + "<no end>";
        char buffer[256];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return got;  // a reset after the answer ends it too
        got.append(buffer, std::size_t(n));
    }
}

std::string ask(const std::string& path, const std::string& request) {
    const int fd = connectTo(path);
    if (fd < 0) return "<no connection>";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string got = readToEnd(fd);
    ::close(fd);
    return got;
}

LocalServer::Handlers lineHandlers(std::function<void(LocalServer::Answer)> answering) {
    LocalServer::Handlers handlers;
    handlers.judge = [](std::string_view bytes) {
        return bytes.find('\n') == std::string_view::npos ? Received::partial : Received::whole;
    };
    handlers.onRequest = [answering](std::string, Received, LocalServer::Answer answer) {
        answering(std::move(answer));
    };
    handlers.busy = "busy\n";
    return handlers;
}

// A client that sends its request and shuts its sending side (nc -N, socat)
// gets the answer, whether it comes at once or from another thread later; a
// request cut off by the shutdown is never carried out.
TEST(LocalServer, AHalfClosedRequestIsAnswered) {
    testing::TempFolder temp;
    const std::string path = temp.folder() + "server";
    std::atomic<int> requests{0};
    std::mutex laterMutex;
    std::vector<std::thread> later;
    std::atomic<bool> answerLater{false};
    std::string error;
    auto server =
        LocalServer::listen(path, lineHandlers([&](LocalServer::Answer answer) {
                                ++requests;
                                if (!answerLater) return answer("done\n");
                                const std::lock_guard lock(laterMutex);
                                later.emplace_back([answer] {
                                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                                    answer("done\n");
                                });
                            }),
                            {}, &error);
    ASSERT_TRUE(server) << error;
    struct Case {
        const char* sent;
        bool later;
        const char* answer;
        int requests;
    };
    const Case cases[] = {
        {"set --dpi-level 7\n", false, "done\n", 1},
        {"set --dpi-level 7\n", true, "done\n", 1},
        {"set --dpi-le", false, "", 0},
    };
    for (const Case& c : cases) {
        requests = 0;
        answerLater = c.later;
        const int fd = connectTo(path);
        if (fd < 0) {
            ADD_FAILURE() << "cannot connect";
            break;
        }
        ::send(fd, c.sent, std::strlen(c.sent), MSG_NOSIGNAL);
        ::shutdown(fd, SHUT_WR);
        EXPECT_EQ(readToEnd(fd), c.answer) << c.sent << (c.later ? " answered later" : "");
        EXPECT_EQ(requests, c.requests) << c.sent;
        ::close(fd);
    }
    const std::lock_guard lock(laterMutex);
    for (std::thread& t : later) t.join();
}

// The server's process, with its descriptor limit lowered, answers the parent
// one byte per command: 'o' opens a file ('1' when it could), 'f' fills the
// descriptors but ten, 'r' gives them back, 'q' ends.
[[noreturn]] void serveUnderALowLimit(const std::string& path, int commands, int replies) {
    // Only the two pipes stay open (as 3 and 4), so that every descriptor
    // below the limit is free at the start.
    commands = ::fcntl(commands, F_DUPFD, 1000);
    replies = ::fcntl(replies, F_DUPFD, 1000);
    if (commands < 0 || replies < 0 || ::dup2(commands, 3) != 3 || ::dup2(replies, 4) != 4)
        ::_exit(2);
    commands = 3;
    replies = 4;
    ::close_range(5, ~0u, 0);
    const rlimit low{100, 100};
    if (::setrlimit(RLIMIT_NOFILE, &low) != 0) ::_exit(3);
    auto server = LocalServer::listen(
        path, lineHandlers([](LocalServer::Answer answer) { answer("pong\n"); }),
        {16, std::chrono::seconds(60)}, nullptr);
    if (!server) ::_exit(4);
    const auto openDescriptors = [] {
        std::error_code ec;
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd", ec),
                             std::filesystem::directory_iterator());
    };
    const auto atStart = openDescriptors();
    (void)!::write(replies, "k", 1);
    std::vector<int> filled;
    for (char command = 0; ::read(commands, &command, 1) == 1 && command != 'q';) {
        char reply = 'k';
        if (command == 'o') {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            reply = fd >= 0 ? '1' : '0';
            if (fd >= 0) ::close(fd);
        } else if (command == 'f') {
            for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
                filled.push_back(fd);
            for (int i = 0; i < 10 && !filled.empty(); ++i, filled.pop_back())
                ::close(filled.back());
        } else if (command == 'w') {
            // Until the server has closed every connection of a crowd gone.
            reply = '0';
            for (int i = 0; i < 1000 && reply == '0'; ++i) {
                if (openDescriptors() <= atStart)
                    reply = '1';
                else
                    ::usleep(10'000);
            }
        } else if (command == 'r') {
            for (const int fd : filled) ::close(fd);
            filled.clear();
        }
        (void)!::write(replies, &reply, 1);
    }
    server.reset();
    ::_exit(0);
}

char tell(int commands, int replies, char command) {
    char reply = 0;
    if (::write(commands, &command, 1) != 1 || ::read(replies, &reply, 1) != 1) return 0;
    return reply;
}

// A crowd of clients, each sending one byte, until all but `held` of them
// were told the server is busy; what each of those was told.
std::vector<std::string> crowd(const std::string& path, int count, int held,
                               std::vector<int>& fds) {
    for (int i = 0; i < count; ++i) {
        fds.push_back(connectTo(path));
        ::send(fds.back(), "x", 1, MSG_NOSIGNAL);
    }
    std::vector<std::string> told(fds.size());
    std::vector<bool> ended(fds.size(), false);
    int endedCount = 0;
    // Up to fifteen seconds: on a loaded machine the server may be slow to turn.
    for (int turn = 0; turn < 600 && endedCount < count - held; ++turn) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
            pollfd ready{fds[i], POLLIN, 0};
            if (ended[i] || ::poll(&ready, 1, 0) <= 0) continue;
            told[i] = readToEnd(fds[i]);
            ended[i] = true;
            ++endedCount;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    std::vector<std::string> refused;
    for (std::size_t i = 0; i < fds.size(); ++i)
        if (ended[i]) refused.push_back(told[i]);
    return refused;
}

// A crowd beyond the process's descriptor limit costs the server no more
// than its bound: the refused are told so at once, the process can still
// open files meanwhile, and once the crowd is gone requests are answered
// again. Near the limit the server leaves the last descriptors to the rest of
// the program.
TEST(LocalServer, ACrowdBeyondTheDescriptorLimitLeavesTheProcessItsDescriptors) {
    testing::TempFolder temp;
    const std::string path = temp.folder() + "server";
    int commands[2], replies[2];
    ASSERT_EQ(::pipe(commands), 0);
    ASSERT_EQ(::pipe(replies), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(commands[1]);
        ::close(replies[0]);
        serveUnderALowLimit(path, commands[0], replies[1]);
    }
    ::close(commands[0]);
    ::close(replies[1]);
    char ready = 0;
    ASSERT_EQ(::read(replies[0], &ready, 1), 1) << "the server did not start";

    std::vector<int> fds;
    const std::vector<std::string> refused = crowd(path, 300, 16, fds);
    EXPECT_EQ(refused.size(), 300u - 16u);
    EXPECT_EQ(std::count(refused.begin(), refused.end(), "busy\n"), 300 - 16)
        << ::testing::PrintToString(refused);
    EXPECT_EQ(tell(commands[1], replies[0], 'o'), '1') << "the crowd took every descriptor";
    for (const int fd : fds) ::close(fd);
    fds.clear();
    std::string answer;
    for (int i = 0; i < 100 && (answer = ask(path, "ping\n")) != "pong\n"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(answer, "pong\n") << "not answered after the crowd went";

    // Ten descriptors left (the highest: the crowd's are all closed first, or
    // one freed below would rightly take a client): none goes to a client.
    ASSERT_EQ(tell(commands[1], replies[0], 'w'), '1') << "the crowd's connections stay open";
    ASSERT_EQ(tell(commands[1], replies[0], 'f'), 'k');
    const std::vector<std::string> nearTheLimit = crowd(path, 20, 0, fds);
    EXPECT_EQ(std::count(nearTheLimit.begin(), nearTheLimit.end(), "busy\n"), 20)
        << ::testing::PrintToString(nearTheLimit);
    EXPECT_EQ(tell(commands[1], replies[0], 'o'), '1') << "clients took the last descriptors";
    for (const int fd : fds) ::close(fd);
    ASSERT_EQ(tell(commands[1], replies[0], 'r'), 'k');
    EXPECT_EQ(ask(path, "ping\n"), "pong\n");

    tell(commands[1], replies[0], 'q');
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ::close(commands[1]);
    ::close(replies[0]);
}

}  // namespace
}  // namespace velor
