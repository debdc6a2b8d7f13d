#include "platform/instance_notify.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velor {

namespace {

constexpr Millis kRetryAfter{100};
// How long the first copy's server thread may take to answer one attempt; it
// answers at once unless the process is stopped.
constexpr int kAnswerMs = 2000;

enum class Attempt { taken, again, givenUp };

Attempt tryOnce(const sockaddr_un& address, std::string& why) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        why = std::string("no socket can be made: ") + std::strerror(errno);
        return Attempt::givenUp;
    }
    // A full queue would hold connect for good otherwise.
    const timeval limit{kAnswerMs / 1000, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        why = error == EAGAIN || error == EINPROGRESS
                  ? "it is not taking connections (its queue is full)"
                  : std::string("nobody listens at ") + address.sun_path + " (" +
                        std::strerror(error) + ")";
        return Attempt::again;
    }
    const std::size_t length = std::strlen(kShowRequest);
    // A refusal may come before the request is out: it is read all the same.
    const bool sent =
        ::send(fd, kShowRequest, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length);
    const int sendError = errno;
    std::string answer;
    Attempt attempt = Attempt::again;
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int n = ::poll(&ready, 1, kAnswerMs);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) {
            why = "it did not answer within " + std::to_string(kAnswerMs / 1000) +
                  " seconds (is it stopped?)";
            attempt = Attempt::givenUp;
            break;
        }
        char buffer[64];
        const ssize_t got = n < 0 ? -1 : ::recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got > 0) {
            answer.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        // Hung up: without a word, the request was taken.
        if (answer.starts_with(kInstanceBusy))
            why = "it is busy with other connections";
        else if (!sent)
            why = std::string("the request could not be sent: ") + std::strerror(sendError);
        else if (answer.empty() && got == 0)
            attempt = Attempt::taken;
        else
            why = "it hung up on the request";
        break;
    }
    ::close(fd);
    return attempt;
}

}  // namespace

bool notifyFirstInstance(const std::string& socketPath, Clock& clock, std::string* why) {
    std::string reason;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(address.sun_path)) {
        if (why) *why = "the socket path " + socketPath + " is too long";
        return false;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const Millis giveUp = clock.now() + kNotifyPatience;
    for (;;) {
        const Attempt attempt = tryOnce(address, reason);
        if (attempt == Attempt::taken) return true;
        if (attempt == Attempt::givenUp || clock.now() + kRetryAfter > giveUp) break;
        clock.sleepFor(kRetryAfter);
    }
    if (why) *why = reason;
    return false;
}

}  // namespace velor
