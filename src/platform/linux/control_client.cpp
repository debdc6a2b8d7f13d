#include "platform/control_client.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velor {

std::string controlSocketPath(const std::string& runtimeFolder) {
    return runtimeFolder + "/velor-control";
}

std::optional<ControlAnswer> askRunningProgram(const std::string& socketPath,
                                               const std::vector<std::string>& args) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return std::nullopt;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return std::nullopt;  // nobody listens: the program is not running
    }
    const std::string request = encodeRequest(args);
    bool sent = true;
    for (std::size_t done = 0; done < request.size() && sent;) {
        const ssize_t n = ::send(fd, request.data() + done, request.size() - done, MSG_NOSIGNAL);
        if (n > 0) done += static_cast<std::size_t>(n);
        sent = n > 0 || (n < 0 && errno == EINTR);
    }
    // The answer comes once the command has run (an apply takes seconds).
    std::string answer;
    char buffer[4096];
    for (;;) {
        if (auto decoded = decodeAnswer(answer)) {
            ::close(fd);
            return decoded;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ControlAnswer{1, {}, sent ? "velorctl: the program stopped before it answered\n"
                                     : "velorctl: the program did not take the request\n"};
}

}  // namespace velor
