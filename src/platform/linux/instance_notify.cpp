#include "platform/instance_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace velor {

bool notifyFirstInstance(const std::string& socketPath, int attempts) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    for (int i = 0; i < attempts; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            const std::size_t length = std::strlen(kShowRequest);
            const bool sent =
                ::send(fd, kShowRequest, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length);
            ::close(fd);
            return sent;
        }
        ::close(fd);
        // The first copy holds the lock but may not listen yet.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace velor
