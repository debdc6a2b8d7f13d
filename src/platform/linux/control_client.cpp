#include "platform/control_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/control_failures.h"

namespace velor {

namespace {

using Deadline = std::chrono::steady_clock::time_point;

int millisLeft(Deadline deadline) {
    const auto left =
        std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

// Bounds connect and send too: a stopped program's full backlog or buffer
// would otherwise block them for good.
void boundSends(int fd, Millis timeout) {
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    limit.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    if (limit.tv_sec == 0 && limit.tv_usec == 0) limit.tv_usec = 1;  // zero would mean "never"
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

}  // namespace

std::string controlSocketPath(const std::string& runtimeFolder) {
    return runtimeFolder + "/velor-control";
}

std::optional<ControlAnswer> askRunningProgram(const std::string& socketPath,
                                               const std::vector<std::string>& args,
                                               Millis timeout) {
    const Deadline deadline = std::chrono::steady_clock::now() + timeout;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return std::nullopt;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    boundSends(fd, timeout);
    bool late = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        late = errno == EAGAIN || errno == EINPROGRESS;
        if (!late) {
            ::close(fd);
            return std::nullopt;  // nobody listens: the program is not running
        }
    }
    const std::string request = encodeRequest(args);
    bool sent = !late;
    for (std::size_t done = 0; done < request.size() && sent;) {
        const ssize_t n = ::send(fd, request.data() + done, request.size() - done, MSG_NOSIGNAL);
        if (n > 0) done += static_cast<std::size_t>(n);
        late = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        sent = n > 0 || (n < 0 && errno == EINTR);
    }
    // The answer comes once the command has run (an apply takes seconds). A
    // request the program would not take (busy) may have met its answer and
    // a closed connection before it was all sent: the answer is read all the same.
    std::string answer;
    char buffer[4096];
    while (!late) {
        if (auto decoded = decodeAnswer(answer)) {
            ::close(fd);
            return decoded;
        }
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, millisLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            late = true;
            break;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return unansweredRequest(late, sent, timeout);
}

}  // namespace velor
